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
#include <QSocketNotifier>

#include <algorithm>

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
    : QObject(parent), m_context(context), m_loginName(LoginName::current()),
      m_overlongError(errorText(SocketErrors::WSAEMSGSIZE, RECEIPT_ERROR_DETAIL)) {
    m_resume.setSingleShot(true);
    m_resume.setTimerType(Qt::PreciseTimer);
    m_resume.setInterval(bounds::FULL_BATCH_PAUSE_MS);
    connect(&m_resume, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

CTalkDaemon::~CTalkDaemon() {
    // Open prompts are not closed here: they are windows of their own and go with the tray window. Replies of a
    // batch whose ring ended the daemon still go out; the socket closes with m_socket.
    if (m_socket.descriptor() >= 0 && m_batch.queuedReplies() > 0)
        m_batch.send(m_socket.descriptor());
    delete m_notifier; // before the descriptor it watches closes
}

bool CTalkDaemon::start() {
    m_resume.stop();
    delete m_notifier;
    m_notifier = nullptr;
    m_socket = DaemonSocket();
    if (!m_adopted.isEmpty()) {
        if (!takeAdoptedSocket())
            return false;
    } else {
        // No address sharing: with SO_REUSEADDR a second daemon could bind the port too and never learn of the first.
        m_socket = DaemonSocket::bind(m_context.daemonPort());
        if (m_socket.error() != 0)
            return failStart(SocketErrors::fromSystem(m_socket.error()));
    }
    // The daemon reads the descriptor itself, in batches. The notifier is level-triggered: while datagrams are left
    // after a batch, it fires again in the loop's next turn, after whatever else is ready.
    m_notifier = new QSocketNotifier(m_socket.descriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CTalkDaemon::onReadable);
    return true;
}

bool CTalkDaemon::takeAdoptedSocket() {
    // Bound by main while the process could still bind the port (DaemonSocket).
    m_socket = std::move(m_adopted);
    if (m_socket.error() != 0)
        return failStart(SocketErrors::fromSystem(m_socket.error()));
    // The daemon exists from now on: what came before (while the first start's About box was open, say) is not
    // answered late, as it would not have been answered had the port been bound only now.
    m_socket.discardQueued();
    return true;
}

bool CTalkDaemon::failStart(int code) {
    m_startErrorCode = code;
    if (code == SocketErrors::WSAEADDRINUSE) {
        m_startError = QString::fromLatin1(ADDRESS_IN_USE_TEXT);
    } else {
        m_startError = QString::fromLatin1(BIND_ERROR_FORMAT).arg(code);
        // A user without the right to the port learns how to grant it, where a right is needed.
        const QString hint =
            code == SocketErrors::WSAEACCES
                ? Privileges::grantHint(m_context.daemonPort(), QCoreApplication::applicationFilePath())
                : QString();
        if (!hint.isEmpty())
            m_startError += QStringLiteral("\r\n") + hint;
    }
    m_socket = DaemonSocket();
    return false;
}

quint16 CTalkDaemon::localPort() const {
    return m_socket.localPort();
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

void CTalkDaemon::refreshCallerRules() {
    const ProfileStore& store = m_context.store();
    if (store.generation() == m_rulesGeneration)
        return;
    // The first rule of a key wins, as in ActionFor's search in stored order; an empty key (a gap in the stored
    // rules) matches nobody.
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

int CTalkDaemon::callerAction(const QString& name, const QString& host) {
    refreshCallerRules();
    if (m_callerActions.isEmpty() && m_hostActions.isEmpty())
        return m_defaultAction;
    if (const auto it = m_callerActions.constFind(foldAsciiCase(name)); it != m_callerActions.cend())
        return it.value();
    if (const auto it = m_hostActions.constFind(foldAsciiCase(host)); it != m_hostActions.cend())
        return it.value();
    return m_defaultAction;
}

int CTalkDaemon::actionFor(const std::string& lName, const std::string& host) {
    refreshCallerRules();
    if (m_callerActions.isEmpty() && m_hostActions.isEmpty())
        return m_defaultAction;
    return callerAction(WireName::received(lName).text, QString::fromStdString(host));
}

const daemonlogic::DaemonView& CTalkDaemon::view() {
    const QString& fullName = m_context.settings().fullname;
    if (m_view.loginName.empty() || fullName != m_viewFullName) {
        m_view.loginName = m_loginName.toStdString();
        m_view.fullName = fullName.toStdString();
        m_viewFullName = fullName;
    }
    m_view.robotSwitch = m_context.robotSwitch() != 0;
    m_view.ltra = m_context.settings().ltra;
    return m_view;
}

QByteArray CTalkDaemon::handleDatagram(const QByteArray& datagram, quint32 senderIp, quint16 senderPort) {
    talk::Datagram reply;
    const std::size_t length = handleDatagram(reinterpret_cast<const std::uint8_t*>(datagram.constData()),
                                              std::size_t(datagram.size()), senderIp, senderPort, reply);
    return QByteArray(reinterpret_cast<const char*>(reply.data()), qsizetype(length));
}

std::size_t CTalkDaemon::handleDatagram(const std::uint8_t* bytes, std::size_t length, quint32 senderIp,
                                        quint16 senderPort, talk::Datagram& reply) {
    // Names and hosts stay within the strings' own storage: a request costs no allocation unless it rings, closes
    // prompts or meets caller rules.
    const std::string lName = talk::ControlMessage::readName(
        bytes + 44, length > 44 ? std::min<std::size_t>(length - 44, talk::NAME_SIZE) : 0);
    const std::string host = daemonlogic::dotted(senderIp);
    const int action = actionFor(lName, host);

    daemonlogic::Sender sender;
    sender.ip = senderIp;
    sender.port = senderPort;
    // Only LEAVE_INVITE and DELETE ask; the interface list is cached by LocalAddress.
    if (length > 1 && (bytes[1] == talk::LEAVE_INVITE || bytes[1] == talk::DELETE))
        sender.isLocal = LocalAddress::isOwnAddress(QHostAddress(senderIp));

    const daemonlogic::Result result =
        daemonlogic::HandleRequest(bytes, length, sender, action, m_table, view(), Queries(m_prompts));
    if (result.ring)
        emit ring(result.ring->action, QString::fromStdString(result.ring->host), WireName::received(result.ring->name),
                  result.ring->robotDelay);
    if (result.closePrompts)
        emit closePrompts(WireName::received(result.closePrompts->name).text,
                          QString::fromStdString(result.closePrompts->host));
    reply = result.reply;
    return result.replyLength;
}

QString CTalkDaemon::errorText(int code, const char* detail) {
    return QString::fromLatin1(RUNTIME_ERROR_FORMAT).arg(QString::number(code), QString::fromLatin1(detail));
}

void CTalkDaemon::reportError(int code, const char* detail) {
    emit errorOccurred(errorText(code, detail));
}

void CTalkDaemon::onReadable() {
    // Batches up to the bound of datagrams per readiness event, then back to the event loop, so that a flood never
    // freezes the windows, timers and conversations sharing this thread. Within the bound the daemon reads again
    // after answering, as the answers' senders often have their next requests queued by then: one event-loop round
    // serves them all. The notifier fires again in the loop's next turn while datagrams are left, or after a short
    // pause when one read found a full batch waiting (a flood). It stays off meanwhile: a ring may run the event
    // loop, and the batch's buffers are in use.
    m_notifier->setEnabled(false);
    const QPointer<CTalkDaemon> self(this);
    const QPointer<QSocketNotifier> notifier(m_notifier);
    bool flood = false;
    for (int handled = 0; handled < DatagramBatch::CAPACITY;) {
        const int count = m_batch.receive(m_socket.descriptor(), DatagramBatch::CAPACITY - handled);
        if (count < 0)
            reportError(SocketErrors::fromSystem(-count), RECEIPT_ERROR_DETAIL);
        if (count <= 0)
            break;
        for (int i = 0; i < count; ++i) {
            if (m_batch.truncated(i)) {
                // Too long for the 84-byte buffer: read away and reported, as a socket would (message too long).
                // Each one is reported; its text is made once, as a host can send thousands a second.
                emit errorOccurred(m_overlongError);
                continue;
            }
            const std::size_t length = handleDatagram(m_batch.data(i), m_batch.length(i), m_batch.senderIp(i),
                                                      m_batch.senderPort(i), m_batch.replyBuffer(i));
            // A ring's prompt may run the event loop: the daemon, or the socket of this batch, may be gone after it.
            if (!self || !notifier)
                return;
            if (length > 0)
                m_batch.queueReply(i, length);
        }
        sendReplies();
        flood = flood || count == DatagramBatch::CAPACITY;
        handled += count;
    }
    if (flood)
        m_resume.start(); // the notifier comes back on after a pause (bounds::FULL_BATCH_PAUSE_MS)
    else
        m_notifier->setEnabled(true);
}

void CTalkDaemon::sendReplies() {
    const DatagramBatch::SendResult sent = m_batch.send(m_socket.descriptor());
    // A send that would block is never an error: the replies are lost as the system loses datagrams.
    m_droppedReplies += quint64(sent.dropped);
    // Reported once per batch (the error box counts further reports while it is shown).
    if (sent.failed > 0)
        reportError(SocketErrors::fromSystem(sent.error), SEND_ERROR_DETAIL);
}
