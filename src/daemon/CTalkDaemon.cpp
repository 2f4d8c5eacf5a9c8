// The talk daemon's socket, its prompt list, and the caller rules it consults.
#include "daemon/CTalkDaemon.h"

#include "config/CallerRules.h"
#include "config/Settings.h"
#include "daemon/RequestHandler.h"
#include "platform/AppContext.h"
#include "platform/LocalAddress.h"
#include "platform/LoginName.h"
#include "platform/Privileges.h"
#include "platform/ProfileStore.h"
#include "platform/SocketErrors.h"

#include <QCoreApplication>
#include <QPointer>
#include <QUdpSocket>

class CTalkDaemon::Queries final : public daemonlogic::PromptQueries {
public:
    explicit Queries(const QList<PromptEntry>& prompts) : m_prompts(prompts) {}
    bool isOpen(const std::string& name, const std::string& host) const override {
        // The same bytes always decode to the same text, so the list compares what the handler sees.
        const QString n = WireName::received(name).text;
        const QString h = QString::fromStdString(host);
        for (const PromptEntry& p : m_prompts)
            if (CallerRules::equalsIgnoringAsciiCase(p.name, n) && CallerRules::equalsIgnoringAsciiCase(p.host, h))
                return true;
        return false;
    }
    int openCount() const override { return int(m_prompts.size()); }
    int openFrom(const std::string& host) const override {
        const QString h = QString::fromStdString(host);
        int n = 0;
        for (const PromptEntry& p : m_prompts)
            if (CallerRules::equalsIgnoringAsciiCase(p.host, h))
                ++n;
        return n;
    }

private:
    const QList<PromptEntry>& m_prompts;
};

CTalkDaemon::CTalkDaemon(AppContext& context, QObject* parent)
    : QObject(parent), m_context(context), m_loginName(LoginName::current()) {}

CTalkDaemon::~CTalkDaemon() {
    // Open prompts are not closed here: they are windows of their own and go with the tray window.
    if (m_socket)
        m_socket->close();
}

bool CTalkDaemon::start() {
    delete m_socket;
    m_socket = new QUdpSocket(this);
    if (!m_adopted.isEmpty()) {
        if (!takeAdoptedSocket())
            return false;
    } else if (!m_socket->bind(QHostAddress::AnyIPv4, m_context.daemonPort(), QAbstractSocket::DontShareAddress)) {
        // No address sharing: with SO_REUSEADDR a second daemon could bind the port too and never learn of the first.
        return failStart(SocketErrors::fromQt(m_socket->error(), m_socket->errorString()));
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &CTalkDaemon::onReadyRead);
    return true;
}

bool CTalkDaemon::takeAdoptedSocket() {
    // Bound by main while the process could still bind the port (DaemonSocket); its state and options stay.
    DaemonSocket adopted = std::move(m_adopted);
    if (adopted.error() != 0)
        return failStart(SocketErrors::fromErrno(adopted.error()));
    // On failure Qt may have closed the descriptor already; the program ends soon anyway.
    if (!m_socket->setSocketDescriptor(adopted.release(), QAbstractSocket::BoundState, QIODevice::ReadWrite))
        return failStart(SocketErrors::fromQt(m_socket->error(), m_socket->errorString()));
    // The daemon exists from now on: what came before (while the first start's About box was open, say) is not
    // answered late, as it would not have been answered had the port been bound only now.
    char discard;
    while (m_socket->hasPendingDatagrams())
        m_socket->readDatagram(&discard, 1);
    return true;
}

bool CTalkDaemon::failStart(int code) {
    m_startErrorCode = code;
    if (code == SocketErrors::WSAEADDRINUSE) {
        m_startError = QString::fromLatin1(ADDRESS_IN_USE_TEXT);
    } else {
        m_startError = QString::fromLatin1(BIND_ERROR_FORMAT).arg(code);
        // A user without the right to the port learns how to grant it.
        if (code == SocketErrors::WSAEACCES)
            m_startError += QStringLiteral("\r\n") +
                            Privileges::grantHint(m_context.daemonPort(), QCoreApplication::applicationFilePath());
    }
    delete m_socket;
    m_socket = nullptr;
    return false;
}

quint16 CTalkDaemon::localPort() const {
    return m_socket ? m_socket->localPort() : 0;
}

void CTalkDaemon::AddPrompt(QObject* prompt, const QString& name, const QString& host) {
    m_prompts.append({prompt, name, host});
}

void CTalkDaemon::RemovePrompt(QObject* prompt) {
    m_prompts.removeIf([prompt](const PromptEntry& p) { return p.prompt == prompt; });
}

namespace {

QString foldAsciiCase(const QString& text) {
    QString folded = text;
    for (QChar& c : folded)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(char16_t(c.unicode() + 32));
    return folded;
}

} // namespace

int CTalkDaemon::callerAction(const QString& name, const QString& host) {
    const ProfileStore& store = m_context.store();
    if (store.generation() != m_rulesGeneration) {
        // The first rule of a key wins, as in ActionFor's search in stored order; an empty key (a gap in the
        // stored rules) matches nobody.
        const CallerRulesTree rules = LoadCallerRules(store);
        m_callerActions.clear();
        m_hostActions.clear();
        for (const CallerRule& r : rules.callers)
            if (const QString key = foldAsciiCase(r.key); !key.isEmpty() && !m_callerActions.contains(key))
                m_callerActions.insert(key, r.action);
        for (const CallerRule& r : rules.hosts)
            if (const QString key = foldAsciiCase(r.key); !key.isEmpty() && !m_hostActions.contains(key))
                m_hostActions.insert(key, r.action);
        m_defaultAction = rules.defaultAction;
        m_rulesGeneration = store.generation();
    }
    if (m_callerActions.isEmpty() && m_hostActions.isEmpty())
        return m_defaultAction;
    if (const auto it = m_callerActions.constFind(foldAsciiCase(name)); it != m_callerActions.cend())
        return it.value();
    if (const auto it = m_hostActions.constFind(foldAsciiCase(host)); it != m_hostActions.cend())
        return it.value();
    return m_defaultAction;
}

QByteArray CTalkDaemon::handleDatagram(const QByteArray& datagram, quint32 senderIp, quint16 senderPort) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(datagram.constData());
    const std::size_t length = std::size_t(datagram.size());
    const std::string lName = talk::ControlMessage::readName(
        bytes + 44, length > 44 ? std::min<std::size_t>(length - 44, talk::NAME_SIZE) : 0);
    const std::string host = daemonlogic::dotted(senderIp);
    const int action = callerAction(WireName::received(lName).text, QString::fromStdString(host));

    daemonlogic::Sender sender;
    sender.ip = senderIp;
    sender.port = senderPort;
    // Only LEAVE_INVITE and DELETE ask; the interface list is cached by LocalAddress.
    if (length > 1 && (bytes[1] == talk::LEAVE_INVITE || bytes[1] == talk::DELETE))
        sender.isLocal = LocalAddress::isOwnAddress(QHostAddress(senderIp));

    daemonlogic::DaemonView view;
    view.loginName = m_loginName.toStdString();
    view.fullName = m_context.settings().fullname.toStdString();
    view.robotSwitch = m_context.robotSwitch() != 0;
    view.ltra = m_context.settings().ltra;

    const daemonlogic::Result result =
        daemonlogic::HandleRequest(bytes, length, sender, action, m_table, view, Queries(m_prompts));
    if (result.ring)
        emit ring(result.ring->action, QString::fromStdString(result.ring->host), WireName::received(result.ring->name),
                  result.ring->robotDelay);
    if (result.closePrompts)
        emit closePrompts(WireName::received(result.closePrompts->name).text,
                          QString::fromStdString(result.closePrompts->host));
    return QByteArray(reinterpret_cast<const char*>(result.reply.data()), qsizetype(result.replyLength));
}

void CTalkDaemon::reportError(int code, const char* detail) {
    emit errorOccurred(
        QString::fromLatin1(RUNTIME_ERROR_FORMAT).arg(QString::number(code), QString::fromLatin1(detail)));
}

void CTalkDaemon::onReadyRead() {
    // A bounded batch, then back to the event loop, so that a flood never freezes the windows, timers and
    // conversations sharing this thread. The rest waits in the socket's queue: every read re-arms the socket's
    // read notification, so Qt signals readyRead again in the loop's next turn while datagrams are left. (Reading
    // them from a queued call of our own instead races that notification: a notification that finds the queue
    // already empty leaves Qt's notifier off for good, and the daemon deaf.)
    for (int handled = 0; handled < bounds::MAX_DATAGRAMS_PER_EVENT && m_socket && m_socket->hasPendingDatagrams();
         ++handled)
        if (!readOne())
            return;
}

bool CTalkDaemon::readOne() {
    const qint64 size = m_socket->pendingDatagramSize();
    QHostAddress from;
    quint16 port = 0;
    if (size > qint64(talk::MESSAGE_SIZE)) {
        // Too long for the 84-byte buffer: read it away and report it, as a socket would (message too long).
        QByteArray discard(int(std::min<qint64>(size, 65536)), 0);
        m_socket->readDatagram(discard.data(), discard.size(), &from, &port);
        reportError(SocketErrors::WSAEMSGSIZE, RECEIPT_ERROR_DETAIL);
        return true;
    }
    QByteArray datagram(int(talk::MESSAGE_SIZE), 0);
    const qint64 got = m_socket->readDatagram(datagram.data(), datagram.size(), &from, &port);
    if (got < 0) {
        reportError(SocketErrors::fromQt(m_socket->error(), m_socket->errorString()), RECEIPT_ERROR_DETAIL);
        return false;
    }
    datagram.truncate(int(got));
    bool ok = false;
    const quint32 senderIp = from.toIPv4Address(&ok);
    if (!ok)
        return true; // the socket is IPv4 only; nothing else can arrive
    const QPointer<CTalkDaemon> self(this);
    const QByteArray reply = handleDatagram(datagram, senderIp, port);
    // A ring's prompt may run the event loop; the daemon may be gone afterwards.
    if (!self || !m_socket)
        return false;
    if (!reply.isEmpty() && m_socket->writeDatagram(reply, from, port) != reply.size())
        reportError(SocketErrors::fromQt(m_socket->error(), m_socket->errorString()), SEND_ERROR_DETAIL);
    return true;
}
