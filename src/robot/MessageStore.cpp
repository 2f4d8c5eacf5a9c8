// The robot messages on disk.
#include "robot/MessageStore.h"

#include "config/Bounds.h"
#include "platform/PrivateFiles.h"
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
            *error = keepError(path, reason);
        return false;
    };
    // Never a file that a start would set aside.
    if (message.id == 0 || message.id > bounds::MAX_MESSAGE_ID)
        return fail(QStringLiteral("its number is not one a kept message may have"));
    if (m_removed)
        return fail(QStringLiteral("the program's data were removed"));
    if (!QFileInfo::exists(m_folder) && !QDir().mkpath(m_folder))
        return fail(QStringLiteral("the folder could not be created"));
    PrivateFiles::makeOwnerOnly(m_folder);
    const QString reason = PrivateFiles::writeNewFile(m_folder, path, MessageFile::encode(message));
    if (!reason.isEmpty())
        return fail(reason);
    PrivateFiles::syncFolder(m_folder);
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
    PrivateFiles::syncFolder(m_folder);
    return true;
}

QString MessageStore::setAside(const QString& name) {
    const QString from = m_folder + u'/' + name;
    const QString plain = from + QLatin1String(UNREADABLE_SUFFIX);
    // A name that is taken already gets the time of now in it; nothing set aside is ever overwritten.
    const QString stamped =
        from + u'.' + QString::number(QDateTime::currentMSecsSinceEpoch()) + QLatin1String(UNREADABLE_SUFFIX);
    for (const QString& to : {plain, stamped}) {
        if (PrivateFiles::renameWithoutReplacing(from, to).isEmpty()) {
            PrivateFiles::syncFolder(m_folder);
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
        const std::optional<QByteArray> bytes =
            PrivateFiles::readRegularFile(m_folder + u'/' + name, bounds::MAX_STORED_MESSAGE_BYTES);
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

QString MessageStore::keepError(const QString& where, const QString& reason) {
    return QStringLiteral("The robot message could not be kept in %1: %2.").arg(where, reason);
}

QString MessageStore::noIdLeftError() const {
    return keepError(m_folder, QStringLiteral("files there use up every message number. Move the files with the "
                                              "highest numbers out of that folder, then start Murmelo again"));
}

QString MessageStore::setAsideNotice(const QStringList& files) {
    return QStringLiteral("%1 stored robot message(s) could not be read. The files were kept, renamed:\n%2")
        .arg(QString::number(files.size()), files.join(u'\n'));
}
