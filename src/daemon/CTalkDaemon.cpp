// The talk daemon's socket, its prompt list, and the caller rules it consults.
#include "daemon/CTalkDaemon.h"

#include "app/AppCore.h"
#include "config/CallerRules.h"
#include "daemon/RequestHandler.h"
#include "platform/LocalAddress.h"
#include "platform/LoginName.h"
#include "platform/ProfileStore.h"
#include "platform/SocketErrors.h"

#include <QPointer>
#include <QUdpSocket>

namespace {
// Distinct callers remembered between changes of the caller rules; a flood of names only refills it.
constexpr int MAX_CACHED_ACTIONS = 4096;
} // namespace

class CTalkDaemon::Queries final : public daemonlogic::PromptQueries {
public:
    explicit Queries(const QList<PromptEntry>& prompts) : m_prompts(prompts) {}
    bool isOpen(const std::string& name, const std::string& host) const override {
        for (const PromptEntry& p : m_prompts)
            if (daemonlogic::equalsIgnoringAsciiCase(p.name, name) && daemonlogic::equalsIgnoringAsciiCase(p.host, host))
                return true;
        return false;
    }
    int openCount() const override { return int(m_prompts.size()); }
    int openFrom(const std::string& host) const override {
        int n = 0;
        for (const PromptEntry& p : m_prompts)
            if (p.host == host)
                ++n;
        return n;
    }

private:
    const QList<PromptEntry>& m_prompts;
};

CTalkDaemon::CTalkDaemon(AppCore& core, QObject* parent)
    : QObject(parent), m_core(core), m_loginName(LoginName::current()) {}

CTalkDaemon::~CTalkDaemon() {
    // Open prompts are not closed here: they are windows of their own and go with the tray window.
    if (m_socket)
        m_socket->close();
}

bool CTalkDaemon::start() {
    delete m_socket;
    m_socket = new QUdpSocket(this);
    // No address sharing: with SO_REUSEADDR a second daemon could bind the port too and never learn of the first.
    if (!m_socket->bind(QHostAddress::AnyIPv4, m_core.daemonPort(), QAbstractSocket::DontShareAddress)) {
        m_startErrorCode = SocketErrors::fromQt(m_socket->error(), m_socket->errorString());
        if (m_socket->error() == QAbstractSocket::AddressInUseError)
            m_startError = QString::fromLatin1(ADDRESS_IN_USE_TEXT);
        else
            m_startError = QString::fromLatin1(BIND_ERROR_FORMAT).arg(m_startErrorCode);
        delete m_socket;
        m_socket = nullptr;
        return false;
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &CTalkDaemon::onReadyRead);
    return true;
}

quint16 CTalkDaemon::localPort() const { return m_socket ? m_socket->localPort() : 0; }

void CTalkDaemon::AddPrompt(QObject* prompt, const QString& name, const QString& host) {
    m_prompts.append({prompt, name.toStdString(), host.toStdString()});
}

void CTalkDaemon::RemovePrompt(QObject* prompt) {
    m_prompts.removeIf([prompt](const PromptEntry& p) { return p.prompt == prompt; });
}

int CTalkDaemon::actionFor(const QString& name, const QString& host) {
    const ProfileStore& store = m_core.store();
    if (store.generation() != m_actionsGeneration || m_actions.size() >= MAX_CACHED_ACTIONS) {
        m_actions.clear();
        m_actionsGeneration = store.generation();
    }
    const QPair<QString, QString> key{name, host};
    const auto it = m_actions.constFind(key);
    if (it != m_actions.cend())
        return it.value();
    const int action = ActionFor(store, name, host);
    m_actions.insert(key, action);
    return action;
}

QByteArray CTalkDaemon::handleDatagram(const QByteArray& datagram, quint32 senderIp, quint16 senderPort) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(datagram.constData());
    const std::size_t length = std::size_t(datagram.size());
    const std::string lName = talk::ControlMessage::readName(
        bytes + 44, length > 44 ? std::min<std::size_t>(length - 44, talk::NAME_SIZE) : 0);
    const std::string host = daemonlogic::dotted(senderIp);
    const int action = actionFor(QString::fromUtf8(lName), QString::fromStdString(host));

    daemonlogic::Sender sender;
    sender.ip = senderIp;
    sender.port = senderPort;
    // Only a LEAVE_INVITE asks; the interface list is cached by LocalAddress.
    if (length > 1 && bytes[1] == talk::LEAVE_INVITE)
        sender.isLocal = LocalAddress::isOwnAddress(QHostAddress(senderIp));

    daemonlogic::DaemonView view;
    view.loginName = m_loginName.toStdString();
    view.fullName = m_core.settings().fullname.toStdString();
    view.robotSwitch = m_core.robotSwitch() != 0;
    view.ltra = m_core.settings().ltra;

    const daemonlogic::Result result =
        daemonlogic::HandleRequest(bytes, length, sender, action, m_table, view, Queries(m_prompts));
    if (result.ring)
        emit ring(result.ring->action, QString::fromStdString(result.ring->host),
                  QString::fromUtf8(result.ring->name), result.ring->robotDelay);
    if (result.closePrompts)
        emit closePrompts(QString::fromUtf8(result.closePrompts->name),
                          QString::fromStdString(result.closePrompts->host));
    return QByteArray(reinterpret_cast<const char*>(result.reply.data()), qsizetype(result.replyLength));
}

void CTalkDaemon::reportError(int code, const char* detail) {
    emit errorOccurred(QString::fromLatin1(RUNTIME_ERROR_FORMAT).arg(code).arg(QString::fromLatin1(detail)));
}

void CTalkDaemon::onReadyRead() {
    // Every pending datagram, one at a time: Qt signals readyRead again only after the handler returns.
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const qint64 size = m_socket->pendingDatagramSize();
        QHostAddress from;
        quint16 port = 0;
        if (size > qint64(talk::MESSAGE_SIZE)) {
            // Too long for the 84-byte buffer: read it away and report it, as a socket would (message too long).
            QByteArray discard(int(std::min<qint64>(size, 65536)), 0);
            m_socket->readDatagram(discard.data(), discard.size(), &from, &port);
            reportError(SocketErrors::WSAEMSGSIZE, RECEIPT_ERROR_DETAIL);
            continue;
        }
        QByteArray datagram(int(talk::MESSAGE_SIZE), 0);
        const qint64 got = m_socket->readDatagram(datagram.data(), datagram.size(), &from, &port);
        if (got < 0) {
            reportError(SocketErrors::fromQt(m_socket->error(), m_socket->errorString()), RECEIPT_ERROR_DETAIL);
            break;
        }
        datagram.truncate(int(got));
        bool ok = false;
        const quint32 senderIp = from.toIPv4Address(&ok);
        if (!ok)
            continue; // the socket is IPv4 only; nothing else can arrive
        const QPointer<CTalkDaemon> self(this);
        const QByteArray reply = handleDatagram(datagram, senderIp, port);
        // A ring's prompt may run the event loop; the daemon may be gone afterwards.
        if (!self || !m_socket)
            return;
        if (reply.isEmpty())
            continue;
        if (m_socket->writeDatagram(reply, from, port) != reply.size())
            reportError(SocketErrors::fromQt(m_socket->error(), m_socket->errorString()), SEND_ERROR_DETAIL);
    }
}
