// The session's one copy on Linux: a Unix socket in the user's runtime folder, its peer's user id checked with
// SO_PEERCRED, and the hand-over with the system's own calls.
#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

bool SingleInstance::breakStaleLock() const {
    const QByteArray path = QFile::encodeName(m_lockPath);
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Gone already, or a file no copy of ours made (each reads its own lock): a link, one unreadable to us.
        return errno == ENOENT || ::unlink(path.constData()) == 0;
    }
    // Every copy of ours holds its lock file with flock() for as long as it runs (QLockFile does): a file that can
    // be locked is held by nobody. It goes only while the name is still this file: a start that broke it first
    // and took the name keeps its own lock.
    bool free = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0 &&
            (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino))
            free = true;
        else
            free = ::unlink(path.constData()) == 0 || errno == ENOENT;
    }
    ::close(fd);
    return free;
}
