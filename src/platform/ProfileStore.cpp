// Profile store on QSettings.
#include "platform/ProfileStore.h"

#include "config/Bounds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

ProfileStore::ProfileStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, ORGANISATION, APPLICATION)),
      m_dataFolder(userDataFolder()) {}

QString ProfileStore::userDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + QLatin1String(ORGANISATION) +
           u'/' + QLatin1String(APPLICATION);
}

ProfileStore::ProfileStore(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)),
      m_dataFolder(QFileInfo(filePath).absolutePath() + u'/' + QLatin1String(APPLICATION) + QStringLiteral("-data")) {}

ProfileStore::~ProfileStore() {
    if (!m_removed)
        m_settings->sync();
}

QString ProfileStore::escapeName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c == u'/')
            out += QStringLiteral("%2F");
        else if (c == u'\\')
            out += QStringLiteral("%5C");
        else
            out += c;
    }
    return out;
}

QString ProfileStore::unescapeName(const QString& key) {
    QString out = key;
    out.replace(QStringLiteral("%2F"), QStringLiteral("/"));
    out.replace(QStringLiteral("%5C"), QStringLiteral("\\"));
    out.replace(QStringLiteral("%25"), QStringLiteral("%"));
    return out;
}

QString ProfileStore::key(const QString& section, const QString& name) const {
    return escapeName(section) + u'/' + escapeName(name);
}

std::optional<int> ProfileStore::storedInt(const QString& section, const QString& name) const {
    const QVariant v = m_settings->value(key(section, name));
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    // Stored as text; a 32-bit value written as unsigned (a DWORD) reads back as the same bits.
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok || n < INT32_MIN || n > UINT32_MAX)
        return std::nullopt;
    return static_cast<int>(static_cast<quint32>(n));
}

int ProfileStore::readInt(const QString& section, const QString& name, int defaultValue) const {
    return storedInt(section, name).value_or(defaultValue);
}

int ProfileStore::readInt(const QString& section, const QString& name, int defaultValue, int lowest,
                          int highest) const {
    const std::optional<int> stored = storedInt(section, name);
    return stored ? std::clamp(*stored, lowest, highest) : defaultValue;
}

int ProfileStore::readCoordinate(const QString& section, const QString& name, int defaultValue) const {
    return readInt(section, name, defaultValue, -bounds::MAX_STORED_COORDINATE, bounds::MAX_STORED_COORDINATE);
}

QString ProfileStore::readString(const QString& section, const QString& name, const QString& defaultValue) const {
    const QVariant v = m_settings->value(key(section, name));
    if (!v.isValid())
        return defaultValue;
    return v.toString();
}

void ProfileStore::writeInt(const QString& section, const QString& name, int value) {
    if (m_removed)
        return;
    m_settings->setValue(key(section, name), value);
    ++m_generation;
}

void ProfileStore::writeString(const QString& section, const QString& name, const QString& value) {
    if (m_removed)
        return;
    m_settings->setValue(key(section, name), value);
    ++m_generation;
}

void ProfileStore::deleteSection(const QString& section) {
    if (m_removed)
        return;
    m_settings->remove(escapeName(section));
    ++m_generation;
}

bool ProfileStore::contains(const QString& section, const QString& name) const {
    return m_settings->contains(key(section, name));
}

QStringList ProfileStore::sections() const {
    QStringList out;
    for (const QString& g : m_settings->childGroups())
        out << unescapeName(g);
    return out;
}

QStringList ProfileStore::valueNames(const QString& section) const {
    m_settings->beginGroup(escapeName(section));
    const QStringList keys = m_settings->allKeys();
    m_settings->endGroup();
    QStringList out;
    for (const QString& k : keys)
        out << unescapeName(k);
    return out;
}

void ProfileStore::flush() {
    if (!m_removed)
        m_settings->sync();
}

QString ProfileStore::filePath() const {
    return m_settings->fileName();
}

void ProfileStore::removeEverything() {
    if (m_removed)
        return;
    m_settings->clear();
    m_settings->sync();
    m_removed = true;
    ++m_generation;
    if (m_settings->format() == QSettings::NativeFormat)
        removeNativeStore();
    else
        removeStoreFile(m_settings->fileName());
}

void ProfileStore::removeStoreFile(const QString& path) {
    QFile::remove(path);
    // Also the lock file QSettings may have left beside it.
    QFile::remove(path + QStringLiteral(".lock"));
    QDir folder = QFileInfo(path).dir();
    if (folder.dirName() == QLatin1String(ORGANISATION) && folder.isEmpty())
        folder.rmdir(folder.absolutePath());
}
