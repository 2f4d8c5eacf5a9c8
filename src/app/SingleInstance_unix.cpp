// The session's one copy on Linux: a Unix socket in the user's runtime folder, its peer's user id checked with
// SO_PEERCRED, and the hand-over with the system's own calls.
#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

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

bool SingleInstance::peerIsUs(qintptr descriptor) {
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof peer)
        return false;
    return peer.uid == ::geteuid();
}

QString SingleInstance::serverName(const QString& folder, const QString& name) {
    return folder + u'/' + name + QStringLiteral(".socket");
}

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
