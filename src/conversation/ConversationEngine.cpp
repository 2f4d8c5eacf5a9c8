// The conversation state machine: control requests and replies, the TCP stream, and the ways it ends.
#include "conversation/ConversationEngine.h"

#include "config/Settings.h"
#include "platform/AppContext.h"
#include "platform/LocalAddress.h"
#include "platform/LoginName.h"
#include "platform/MessageBoxService.h"
#include "platform/ShownText.h"
#include "platform/SocketErrors.h"
#include "robot/RobotMessageList.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <algorithm>

namespace {

const QString TITLE = QString::fromLatin1(MessageBoxService::APPLICATION_TITLE);

} // namespace

ConversationEngine::ConversationEngine(AppContext& context, int mode, const QString& host, const WireName& user,
                                       QObject* parent)
    : QObject(parent), m_context(context), m_mode(mode == Robot ? Robot : Interactive), m_host(host), m_user(user) {
    m_resendTimer.setInterval(RESEND_INTERVAL_MS);
    connect(&m_resendTimer, &QTimer::timeout, this, &ConversationEngine::OnResendTimer);
    m_robotWaitTimer.setSingleShot(true);
    m_robotWaitTimer.setInterval(RESEND_INTERVAL_MS * ROBOT_WAIT_PERIODS);
    connect(&m_robotWaitTimer, &QTimer::timeout, this, [this] {
        if (!m_connected && !m_released)
            EndConversation();
    });
    m_robotIdleTimer.setSingleShot(true);
    m_robotIdleTimer.setInterval(bounds::ROBOT_IDLE_LIMIT_MS);
    m_robotTotalTimer.setSingleShot(true);
    m_robotTotalTimer.setInterval(bounds::ROBOT_CONVERSATION_LIMIT_MS);
    for (QTimer* limit : {&m_robotIdleTimer, &m_robotTotalTimer})
        connect(limit, &QTimer::timeout, this, &ConversationEngine::EndConversation);
    if (m_mode == Robot)
        m_context.messages().holdPlace();
}

void ConversationEngine::setResendInterval(int ms) {
    m_resendTimer.setInterval(ms);
    m_robotWaitTimer.setInterval(ms * ROBOT_WAIT_PERIODS);
}

void ConversationEngine::setRobotLimits(int idleMs, int totalMs) {
    m_robotIdleTimer.setInterval(idleMs);
    m_robotTotalTimer.setInterval(totalMs);
}

ConversationEngine::~ConversationEngine() {
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    // Deleted while it still ran (the program's end): the caller's text is filed all the same, and what was typed
    // is sent.
    fileRobotMessage();
    closeStream();
}

QString ConversationEngine::title() const {
    if (!m_connected)
        return TITLE;
    return TITLE + QStringLiteral(": talking to ") + ShownText::caretForm(m_user.text) + QStringLiteral(" at ") +
           ShownText::caretForm(m_host);
}

bool ConversationEngine::start() {
    if (m_mode == Interactive)
        setStatus(QStringLiteral("Trying to connect to ") + ShownText::caretForm(m_host) + QStringLiteral("..."));

    m_listener = new QTcpServer(this);
    m_listener->setListenBacklogSize(1);
    if (!m_listener->listen(QHostAddress::AnyIPv4, 0)) {
        ReportSocketError(QStringLiteral("Daemon could not create TCP socket."),
                          SocketErrors::fromQt(m_listener->serverError(), m_listener->errorString()));
        return false;
    }
    m_port = m_listener->serverPort();
    connect(m_listener, &QTcpServer::newConnection, this, &ConversationEngine::OnIncomingConnection);
    connect(m_listener, &QTcpServer::acceptError, this, &ConversationEngine::onAcceptError);

    m_control = new QUdpSocket(this);
    if (!m_control->bind(QHostAddress::AnyIPv4, m_port)) {
        ReportSocketError(QStringLiteral("Could not create UDP socket."),
                          SocketErrors::fromQt(m_control->error(), m_control->errorString()));
        return false;
    }
    connect(m_control, &QUdpSocket::readyRead, this, [this] { OnReadable(m_control); });

    if (m_mode == Robot) {
        m_robotWaitTimer.start();
        m_robotTotalTimer.start();
    }
    SendRequest(talk::LOOK_UP);
    return !m_released;
}

// --- Control requests ---------------------------------------------------------------------------------

void ConversationEngine::SendRequest(std::uint8_t type) {
    talk::ControlMessage m;
    m.vers = talk::TALK_VERSION;
    m.type = type;
    if (m_user.isEmpty()) {
        // Without a user name the remote daemon is asked who is there.
        m.type = talk::PROBE;
        m_remoteId = talk::PROBE_ID_REQUEST;
    }
    m.pad = static_cast<std::uint8_t>(m_context.settings().ltra & 0xFF);
    m.setLocalName(WireName::typed(LoginName::current()).wire());
    m.setRemoteName(m_user.wire());

    if (type != talk::LEAVE_INVITE) {
        talk::ControlMessage remote = m;
        remote.id_num = m_remoteId;
        m_outgoing.enqueue({Target::Remote, remote, m_context.remoteDaemonPort()});
    }
    if (type == talk::LEAVE_INVITE || type == talk::DELETE) {
        talk::ControlMessage local = m;
        local.id_num = m_localId;
        m_outgoing.enqueue({Target::Local, local, m_context.daemonPort()});
    }
    if (type == talk::ANNOUNCE)
        ++m_announcements;
    pump();
}

// Sends what is queued, in order; a host name is looked up (asynchronously) before each send to it.
void ConversationEngine::pump() {
    while (!m_outgoing.isEmpty() && m_lookupId < 0) {
        const Outgoing& head = m_outgoing.head();
        if (head.target == Target::Local) {
            const Outgoing item = m_outgoing.dequeue();
            deliver(item, m_remoteAddress);
            continue;
        }
        const QHostAddress dotted = LocalAddress::parseDotted(m_host);
        if (!dotted.isNull()) {
            const Outgoing item = m_outgoing.dequeue();
            m_remoteAddress = dotted;
            deliver(item, dotted);
            continue;
        }
        m_lookupId = QHostInfo::lookupHost(m_host, this, &ConversationEngine::onLookedUp);
    }
    if (m_released && m_outgoing.isEmpty())
        deleteLater();
}

void ConversationEngine::onLookedUp(const QHostInfo& info) {
    m_lookupId = -1;
    if (m_outgoing.isEmpty())
        return;
    const QHostAddress address = LocalAddress::firstIPv4(info.addresses());
    if (address.isNull()) {
        // Nothing is sent to a host that cannot be found; the conversation waits as it is.
        m_outgoing.dequeue();
        if (!m_released)
            setStatus(QStringLiteral("Cannot find the host ") + ShownText::caretForm(m_host) +
                      QStringLiteral("; waiting."));
    } else {
        m_remoteAddress = address;
        deliver(m_outgoing.dequeue(), address);
    }
    pump();
}

void ConversationEngine::deliver(const Outgoing& item, const QHostAddress& remote) {
    const QHostAddress local = LocalAddress::towards(remote.isNull() ? QHostAddress(QHostAddress::LocalHost) : remote);
    talk::ControlMessage m = item.message;
    m.addr = talk::SockAddr{talk::AF_INET_WIRE, m_port, local.toIPv4Address(), {}};
    m.ctl_addr = m.addr;
    const talk::Datagram bytes = m.encode();
    const QByteArray datagram(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    const QHostAddress to = item.target == Target::Remote ? remote : local;
    if (!m_control)
        return;
    if (item.target == Target::Local)
        m_localDaemon = local;
    const qint64 sent = m_control->writeDatagram(datagram, to, item.port);
    if (sent < 0) {
        const int code = SocketErrors::fromQt(m_control->error(), m_control->errorString());
        if (code == SocketErrors::WSAEWOULDBLOCK)
            return;
        // After a failed remote send the local copy is not sent.
        if (item.target == Target::Remote && !m_outgoing.isEmpty() && m_outgoing.head().target == Target::Local)
            m_outgoing.dequeue();
        if (!m_released)
            ReportSocketError(QStringLiteral("Could not send a packet."), code);
        return;
    }
    emit requestSent(datagram, to, item.port);
}

// --- Control replies ----------------------------------------------------------------------------------

void ConversationEngine::OnReadable(const QObject* signalled) {
    if (signalled == m_control)
        readControlReplies();
    else if (!m_streamTurnQueued) // a turn already queued reads what has come meanwhile too
        readStream();
}

void ConversationEngine::readControlReplies() {
    QPointer<ConversationEngine> self(this);
    while (self && m_control && m_control->hasPendingDatagrams()) {
        std::uint8_t buffer[talk::MESSAGE_SIZE] = {};
        QHostAddress sender;
        quint16 port = 0;
        const qint64 n = m_control->readDatagram(reinterpret_cast<char*>(buffer), sizeof buffer, &sender, &port);
        // Anyone can send to this port: only the replies of the daemons that were asked count.
        if (n < 0 || m_released || !isFromDaemon(sender, port))
            continue;
        onControlReply(talk::ControlMessage::decode(buffer, std::size_t(n)));
    }
}

bool ConversationEngine::isFromDaemon(const QHostAddress& sender, quint16 port) const {
    return (port == m_context.remoteDaemonPort() && LocalAddress::isSameHost(sender, m_remoteAddress)) ||
           (port == m_context.daemonPort() && LocalAddress::isSameHost(sender, m_localDaemon));
}

void ConversationEngine::onControlReply(const talk::ControlMessage& reply) {
    // A late reply must not overwrite the state of a connection already under way.
    auto replyStatus = [this](const QString& text) {
        if (!m_data)
            setStatus(text);
    };
    switch (reply.answer) {
    case talk::SUCCESS:
        if (reply.type == talk::LEAVE_INVITE) {
            m_localId = reply.id_num;
        } else if (reply.type == talk::LOOK_UP) {
            if (!m_data)
                startCallee(reply.addr.port);
        } else if (reply.type == talk::ANNOUNCE) {
            replyStatus(QStringLiteral("Waiting for the callee to accept the request."));
            m_remoteId = reply.id_num;
        }
        break;
    case talk::NOT_HERE:
        if (reply.type == talk::LOOK_UP) {
            if (m_data || m_resendTimer.isActive())
                break; // already calling
            if (m_mode == Robot && m_lookUpRetries < ROBOT_LOOKUP_RETRIES) {
                ++m_lookUpRetries;
                // (Shortened with the resend period, as tests do.)
                const int delay = std::min(ROBOT_LOOKUP_RETRY_MS, m_resendTimer.interval() / 8);
                QTimer::singleShot(delay, this, [this] {
                    if (!m_released && !m_data && !m_resendTimer.isActive())
                        SendRequest(talk::LOOK_UP);
                });
                break;
            }
            m_resendTimer.start();
            SendRequest(talk::ANNOUNCE);
            replyStatus(QStringLiteral("Sending announce."));
            SendRequest(talk::LEAVE_INVITE);
        } else if (reply.type == talk::ANNOUNCE) {
            replyStatus(QStringLiteral("Callee is not logged in the remote system "
                                       "(note that the remote host can be case-sensitive)."));
        }
        break;
    case talk::FAILED:
        replyStatus(QStringLiteral("Remote host reports general failure."));
        break;
    case talk::MACHINE_UNKNOWN:
        replyStatus(QStringLiteral("Caller's machine name unknown."));
        break;
    case talk::PERMISSION_DENIED:
        replyStatus(QStringLiteral("User refuses request (tho' maybe remote terminal doesn't permit announce)."));
        break;
    case talk::UNKNOWN_REQUEST:
        replyStatus(QStringLiteral("Invalid request type; connection reset."));
        break;
    case talk::BADVERSION:
        replyStatus(QStringLiteral("Invalid protocol version."));
        break;
    case talk::BADADDR:
    case talk::BADCTLADDR:
        replyStatus(QStringLiteral("Invalid address value; connection reset."));
        break;
    case talk::REFUSED_UNLESS_URGENT:
    case talk::REFUSED_EVEN_URGENT:
        replyStatus(QStringLiteral("Request's rejected."));
        if (m_mode == Robot) {
            EndConversation(); // asks nobody anything
            break;
        }
        if (!m_boxPending) {
            m_boxPending = true;
            QTimer::singleShot(0, this, &ConversationEngine::showRejection);
        }
        break;
    case talk::USER_PRESENT:
    case talk::ROBOT_PRESENT:
        if (m_mode == Robot && !m_data) {
            EndConversation();
            break;
        }
        if (!m_boxPending && !m_data) {
            m_user = WireName::received(reply.localName());
            m_boxPending = true;
            QTimer::singleShot(0, this, &ConversationEngine::askProbeQuestion);
        }
        break;
    default:
        break;
    }
}

// Both boxes run a nested event loop: they are opened from the event loop, never from the socket handler,
// and everything after them checks that the conversation still exists.
void ConversationEngine::askProbeQuestion() {
    QPointer<ConversationEngine> self(this);
    if (m_released)
        return;
    MessageBoxService::Request r;
    r.title = TITLE;
    r.text = QStringLiteral("User at %1 is %2. Would you like to talk to him?")
                 .arg(ShownText::caretForm(m_host), ShownText::caretForm(m_user.text));
    r.icon = MessageBoxService::Icon::Question;
    r.buttons = MessageBoxService::Yes | MessageBoxService::No;
    r.defaultButton = MessageBoxService::Yes;
    r.owner = m_boxOwner;
    const int answer = MessageBoxService::instance().ask(r);
    if (!self || m_released)
        return;
    m_boxPending = false;
    if (answer == MessageBoxService::Yes) {
        m_remoteId = {};
        SendRequest(talk::LOOK_UP);
    } else {
        EndConversation();
    }
}

void ConversationEngine::showRejection() {
    QPointer<ConversationEngine> self(this);
    if (m_released)
        return;
    MessageBoxService::Request r;
    r.title = TITLE + QStringLiteral(": error");
    r.text = QStringLiteral("User %1 at %2 would not like to talk to you at the moment.")
                 .arg(ShownText::caretForm(m_user.text), ShownText::caretForm(m_host));
    r.icon = MessageBoxService::Icon::Warning;
    r.buttons = MessageBoxService::Ok;
    r.owner = m_boxOwner;
    MessageBoxService::instance().ask(r);
    if (!self || m_released)
        return;
    EndConversation();
}
