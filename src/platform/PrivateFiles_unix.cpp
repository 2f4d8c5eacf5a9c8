// Files of the user's alone, with the system's own calls: modes, exclusive creation, renames that never replace.
#include "platform/PrivateFiles.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

QString systemText(int error) {
    return QString::fromLocal8Bit(std::generic_category().message(error));
}

// The rename itself; errno tells why it failed.
bool renameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // A file system that cannot rename that way: a hard link never replaces anything either.
    if (::link(from, to) != 0)
        return false;
    ::unlink(from);
    return true;
}

} // namespace

namespace PrivateFiles {

void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void makeOwnerOnly(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0 && (st.st_mode & 07777) != 0700)
        ::chmod(name.constData(), 0700);
}

QString writeNewFile(const QString& folder, const QString& path, const QByteArray& bytes) {
    // A hidden name, which no start takes for a message.
    QByteArray temp = QFile::encodeName(folder + QStringLiteral("/.new-XXXXXX"));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC); // 0600, made exclusively
    if (fd < 0)
        return systemText(errno);
    int error = 0;
    for (qsizetype done = 0; done < bytes.size() && error == 0;) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            error = n == 0 ? EIO : errno;
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && !renameNoReplace(temp.constData(), QFile::encodeName(path).constData()))
        error = errno;
    if (error == 0)
        return {};
    ::unlink(temp.constData());
    return error == EEXIST ? NAME_IN_THE_WAY : systemText(error);
}

QString renameWithoutReplacing(const QString& from, const QString& to) {
    if (renameNoReplace(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()))
        return {};
    return errno == EEXIST ? NAME_IN_THE_WAY : systemText(errno);
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit) {
    QFile file;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > limit ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    // One more byte than allowed: a file that grew since it was looked at is still too large.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

QString openForAppend(QFile& file, const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return systemText(errno);
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
}

} // namespace PrivateFiles
