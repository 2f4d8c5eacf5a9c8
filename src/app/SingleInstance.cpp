// The session's one copy: the lock, the hand-over (system calls, before Qt's event loop exists) and the local server.
#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray ANSWER = QByteArrayLiteral("ok\n");

// Whether the process at the other end of a local socket runs as this process's user.
bool peerIsUs(qintptr descriptor) {
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof peer)
        return false;
    return peer.uid == ::geteuid();
}

// Reads until a line end, end of stream or the deadline; at most `limit` bytes.
QByteArray readLine(int fd, QDeadlineTimer deadline, int limit) {
    QByteArray line;
    while (!line.endsWith('\n') && line.size() < limit) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        line.append(c);
    }
    return line;
}

} // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& key, QObject* parent) : QObject(parent) {
    if (folder.isEmpty())
        return;
    // Names short enough for a socket address in any runtime folder, different for every key.
    const QString name =
        QStringLiteral("zuno-") +
        QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
    m_socketPath = folder + u'/' + name + QStringLiteral(".socket");
    m_lock = std::make_unique<QLockFile>(folder + u'/' + name + QStringLiteral(".lock"));
    // The first copy holds the lock as long as it runs: only a holder that is gone makes it stale.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::runtimeFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return {};
    // Qt checks this too; the socket and the lock rely on it, so it is checked here again.
    const QFileInfo info(folder);
    const QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (!info.isDir() || info.ownerId() != ::geteuid() || (info.permissions() & others))
        return {};
    return folder;
}

void SingleInstance::setWaits(int forFirstMs, int forAnswerMs, int clientMs) {
    m_waitForFirstMs = forFirstMs;
    m_waitForAnswerMs = forAnswerMs;
    m_clientMs = clientMs;
}

SingleInstance::Claim SingleInstance::claim(StartCommand::Command command) {
    if (!m_lock)
        return Claim::Alone;
    const QDeadlineTimer deadline(m_waitForFirstMs);
    for (;;) {
        switch (handOver(command)) {
        case Reach::HandedOver:
            return Claim::HandedOver;
        case Reach::NoAnswer:
            return Claim::NoAnswer;
        case Reach::Nobody:
            break;
        }
        if (m_lock->tryLock(0))
            return Claim::First;
        // Held by a copy that is still starting (it listens once its application object exists): ask again.
        if (m_lock->error() != QLockFile::LockFailedError || deadline.hasExpired())
            return Claim::Alone;
        QThread::msleep(RETRY_MS);
    }
}

SingleInstance::Reach SingleInstance::handOver(StartCommand::Command command) const {
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address{};
    if (path.size() >= int(sizeof address.sun_path))
        return Reach::Nobody;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Reach::Nobody;
    Reach reach = Reach::Nobody;
    // A socket nobody listens on (left by a crashed copy) refuses the connection.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && peerIsUs(fd)) {
        const QByteArray said = StartCommand::word(command) + '\n';
        reach = Reach::NoAnswer;
        if (::send(fd, said.constData(), size_t(said.size()), MSG_NOSIGNAL) == said.size() &&
            readLine(fd, QDeadlineTimer(m_waitForAnswerMs), ANSWER.size()) == ANSWER)
            reach = Reach::HandedOver;
    }
    ::close(fd);
    return reach;
}

bool SingleInstance::listen() {
    if (m_socketPath.isEmpty() || !m_lock || !m_lock->isLocked())
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours: a socket already there was left by a copy that is gone.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptClients);
    return true;
}

void SingleInstance::acceptClients() {
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        if (m_clients >= MAX_CLIENTS || !peerIsUs(client->socketDescriptor())) {
            client->abort();
            client->deleteLater();
            continue;
        }
        ++m_clients;
        connect(client, &QObject::destroyed, this, [this] { --m_clients; });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A client that floods is read no further than one word; one that says nothing is cut off.
        client->setReadBufferSize(WORD_LIMIT_BYTES + 1);
        QTimer::singleShot(m_clientMs, client, [client] {
            client->abort();
            client->deleteLater();
        });
        connect(client, &QLocalSocket::readyRead, this, [this, client] { hear(client); });
        if (client->bytesAvailable() > 0)
            hear(client);
    }
}

void SingleInstance::hear(QLocalSocket* client) {
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > WORD_LIMIT_BYTES) {
            client->abort();
            client->deleteLater();
        }
        return;
    }
    const QByteArray line = client->readLine(WORD_LIMIT_BYTES + 1);
    const std::optional<StartCommand::Command> command =
        line.endsWith('\n') ? StartCommand::fromWord(line.chopped(1)) : std::nullopt;
    if (!command) {
        client->abort();
        client->deleteLater();
        return;
    }
    client->write(ANSWER);
    client->disconnectFromServer();
    // Commands open windows and may run loops of their own: they run once this handler has returned.
    const StartCommand::Command heard = *command;
    QMetaObject::invokeMethod(
        this, [this, heard] { emit commandReceived(heard); }, Qt::QueuedConnection);
}
