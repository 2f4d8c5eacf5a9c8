// The robot messages on disk.
#include "robot/MessageStore.h"

#include "config/Bounds.h"
#include "platform/ProfileStore.h"
#include "robot/MessageFile.h"
#include "robot/RobotMessageList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace {

// A message's id is written with this many digits (the most a 64-bit number has), so names sort as ids do.
constexpr int ID_DIGITS = 20;

std::filesystem::path nativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The id a file of the folder is named after: "<20 digits>.msg", or that and more (a file set aside). Zero for
// any other name.
quint64 idOfName(const QString& name, bool* exact = nullptr) {
    const QString suffix = QLatin1String(MessageStore::SUFFIX);
    if (name.size() < ID_DIGITS + suffix.size() || QStringView(name).sliced(ID_DIGITS, suffix.size()) != suffix)
        return 0;
    for (qsizetype i = 0; i < ID_DIGITS; ++i)
        if (name.at(i) < u'0' || name.at(i) > u'9')
            return 0;
    bool ok = false;
    const quint64 id = QStringView(name).first(ID_DIGITS).toULongLong(&ok);
    if (exact)
        *exact = name.size() == ID_DIGITS + suffix.size();
    return ok ? id : 0;
}

// Makes a rename or removal in the folder durable: the folder's own entry list goes to the disk too.
void syncFolder(const QString& folder) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

// Owner-only (0700) whoever made the folder: where others may write, they could plant names of their own in it.
void makeOwnerOnly(const QString& folder) {
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(folder);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0 && (st.st_mode & 07777) != 0700)
        ::chmod(name.constData(), 0700);
#else
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
}

const QString NAME_IN_THE_WAY = QStringLiteral("another file has that name");

#ifdef Q_OS_UNIX
// Gives the file `from` the name `to` only when nothing (not even a dangling link) has it; errno tells otherwise.
bool renameWithoutReplacing(const char* from, const char* to) {
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
#endif

// Writes a new file at `path` in `folder`, readable by its owner only: in full and flushed to the disk under a
// temporary name, then renamed into place. Whatever is at `path` already is neither followed nor replaced, so a
// link planted at the name never turns the write onto the link's target. Returns why it failed, or nothing.
QString writeNewFile(const QString& folder, const QString& path, const QByteArray& bytes) {
#ifdef Q_OS_UNIX
    // A hidden name, which no start takes for a message.
    QByteArray temp = QFile::encodeName(folder + QStringLiteral("/.new-XXXXXX"));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC); // 0600, made exclusively
    if (fd < 0)
        return QString::fromLocal8Bit(std::generic_category().message(errno));
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
    if (error == 0 && !renameWithoutReplacing(temp.constData(), QFile::encodeName(path).constData()))
        error = errno;
    if (error == 0)
        return {};
    ::unlink(temp.constData());
    return error == EEXIST ? NAME_IN_THE_WAY : QString::fromLocal8Bit(std::generic_category().message(error));
#else
    Q_UNUSED(folder);
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return NAME_IN_THE_WAY;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    return file.commit() ? QString() : file.errorString();
#endif
}

// The bytes of a regular file no larger than a stored message may be. Nothing for anything else: a link, a pipe
// (which would block the start), a device, a folder, a file that cannot be opened or is too large.
std::optional<QByteArray> readMessageFile(const QString& path) {
    QFile file;
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > bounds::MAX_STORED_MESSAGE_BYTES ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
#else
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile() || info.size() > bounds::MAX_STORED_MESSAGE_BYTES)
        return std::nullopt;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
#endif
    // One more byte than allowed: a file that grew since it was looked at is still too large.
    QByteArray bytes = file.read(bounds::MAX_STORED_MESSAGE_BYTES + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > bounds::MAX_STORED_MESSAGE_BYTES)
        return std::nullopt;
    return bytes;
}

} // namespace

QString MessageStore::defaultFolder() {
    return ProfileStore::userDataFolder();
}

MessageStore::MessageStore(const QString& folder) : m_folder(folder) {}

QString MessageStore::pathFor(quint64 id) const {
    return m_folder + u'/' + QStringLiteral("%1").arg(id, ID_DIGITS, 10, QChar(u'0')) + QLatin1String(SUFFIX);
}

bool MessageStore::save(const RobotMessage& message, QString* error) {
    const QString path = pathFor(message.id);
    auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("The robot message could not be kept in %1: %2.").arg(path, reason);
        return false;
    };
    if (m_removed)
        return fail(QStringLiteral("the program's data were removed"));
    if (!QFileInfo::exists(m_folder) && !QDir().mkpath(m_folder))
        return fail(QStringLiteral("the folder could not be created"));
    makeOwnerOnly(m_folder);
    const QString reason = writeNewFile(m_folder, path, MessageFile::encode(message));
    if (!reason.isEmpty())
        return fail(reason);
    syncFolder(m_folder);
    return true;
}

bool MessageStore::remove(quint64 id, QString* error) {
    if (m_removed)
        return true;
    const QString path = pathFor(id);
    std::error_code ec;
    std::filesystem::remove(nativePath(path), ec);
    if (ec) {
        if (error)
            *error = QStringLiteral("The robot message %1 could not be removed: %2.")
                         .arg(path, QString::fromLocal8Bit(ec.message()));
        return false;
    }
    syncFolder(m_folder);
    return true;
}

QString MessageStore::setAside(const QString& name) {
    const QString from = m_folder + u'/' + name;
    const QString plain = from + QLatin1String(UNREADABLE_SUFFIX);
    // A name that is taken already gets the time of now in it; nothing set aside is ever overwritten.
    const QString stamped =
        from + u'.' + QString::number(QDateTime::currentMSecsSinceEpoch()) + QLatin1String(UNREADABLE_SUFFIX);
    for (const QString& to : {plain, stamped}) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(nativePath(to), ec)))
            continue;
        std::filesystem::rename(nativePath(from), nativePath(to), ec);
        if (!ec) {
            syncFolder(m_folder);
            return to;
        }
    }
    return from;
}

MessageStore::Loaded MessageStore::loadAll() {
    Loaded loaded;
    if (m_removed)
        return loaded;
    const QStringList names =
        QDir(m_folder).entryList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    std::vector<std::pair<quint64, QString>> files;
    for (const QString& name : names) {
        bool exact = false;
        const quint64 id = idOfName(name, &exact);
        // An id no message may have (it reads as none) is not counted: ids above it would wrap around.
        if (id <= bounds::MAX_MESSAGE_ID)
            loaded.highestId = std::max(loaded.highestId, id);
        if (id != 0 && exact)
            files.emplace_back(id, name);
    }
    std::sort(files.begin(), files.end());

    qsizetype textSize = 0;
    bool full = false;
    for (const auto& [id, name] : files) {
        // Once one message does not fit, the later ones wait too, so that the filing order holds.
        if (full || !RobotMessageList::holdsAnother(int(loaded.messages.size()), textSize, 0)) {
            full = true;
            ++loaded.leftOnDisk;
            continue;
        }
        const std::optional<QByteArray> bytes = readMessageFile(m_folder + u'/' + name);
        std::optional<RobotMessage> message = bytes ? MessageFile::decode(*bytes) : std::nullopt;
        if (!message || message->id != id) {
            loaded.setAside.append(setAside(name));
            continue;
        }
        if (!RobotMessageList::holdsAnother(int(loaded.messages.size()), textSize, message->text.size())) {
            full = true;
            ++loaded.leftOnDisk;
            continue;
        }
        textSize += message->text.size();
        loaded.messages.push_back(std::move(*message));
    }
    return loaded;
}

bool MessageStore::removeFolder() {
    m_removed = true;
    QDir folder(m_folder);
    if (folder.exists() && !folder.removeRecursively())
        return false;
    // The organisation's folder goes when it is ours and nothing else is in it (rmdir removes only empty folders).
    const QFileInfo above(QFileInfo(m_folder).absolutePath());
    if (above.fileName() == QLatin1String(ProfileStore::ORGANISATION))
        QDir().rmdir(above.absoluteFilePath());
    return true;
}

QString MessageStore::setAsideNotice(const QStringList& files) {
    return QStringLiteral("%1 stored robot message(s) could not be read. The files were kept, renamed:\n%2")
        .arg(QString::number(files.size()), files.join(u'\n'));
}
