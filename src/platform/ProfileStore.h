// The per-user profile store: sections of named integer and string values.
//
// On Linux it is the file $XDG_CONFIG_HOME/Bravik/ZUNO.conf (QSettings, organisation "Bravik",
// application "ZUNO", native format, user scope); on Windows the registry key
// HKEY_CURRENT_USER\Software\Bravik\ZUNO. Sections are groups, values are keys.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class ProfileStore {
public:
    static constexpr const char* ORGANISATION = "Bravik";
    static constexpr const char* APPLICATION = "ZUNO";

    // The user's own store.
    ProfileStore();
    // A store kept in the given file (tests, tools); same format as the user's store on Linux.
    explicit ProfileStore(const QString& filePath);
    ~ProfileStore();

    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    // The five primitives. Reads never fail: a missing value, or an integer that is not a number,
    // gives the default. Writes never report failure.
    int readInt(const QString& section, const QString& name, int defaultValue) const;
    // An integer a computation multiplies or subtracts: a stored value outside [lowest, highest] is taken as the
    // nearer end, so that a hand-edited file cannot overflow it; a missing one, or one that is not a number, gives
    // the default as it is.
    int readInt(const QString& section, const QString& name, int defaultValue, int lowest, int highest) const;
    // A window position, size or splitter position: readInt within +-bounds::MAX_STORED_COORDINATE.
    int readCoordinate(const QString& section, const QString& name, int defaultValue) const;
    QString readString(const QString& section, const QString& name, const QString& defaultValue = {}) const;
    void writeInt(const QString& section, const QString& name, int value);
    void writeString(const QString& section, const QString& name, const QString& value);
    void deleteSection(const QString& section);

    bool contains(const QString& section, const QString& name) const;
    QStringList sections() const;
    QStringList valueNames(const QString& section) const;

    // Writes pending changes to the file.
    void flush();
    // Incremented on every write; readers that cache derived data compare it.
    quint64 generation() const { return m_generation; }

    // Removes the whole store (Uninstall): the file, and the maker's folder when nothing else is in it.
    // Afterwards every write is ignored, so the file is never created again by this process.
    void removeEverything();
    bool removed() const { return m_removed; }

    QString filePath() const;
    // The program's data folder beside this store (robot messages kept on disk): the user's data folder,
    // ~/.local/share/Bravik/ZUNO on Linux, for the user's store; a folder beside the file for a store in a file.
    QString dataFolder() const { return m_dataFolder; }
    // The user's data folder of the program, ~/.local/share/Bravik/ZUNO on Linux.
    static QString userDataFolder();

    // Value names may hold any text (person and alias names); QSettings would take '/' as a group
    // separator, so names are escaped bijectively before they reach it.
    static QString escapeName(const QString& name);
    static QString unescapeName(const QString& key);

private:
    // Removes the user's own store where the system keeps it (ProfileStore_*.cpp); a store in a file goes as a file.
    void removeNativeStore();
    static void removeStoreFile(const QString& path);
    QString key(const QString& section, const QString& name) const;
    // The stored integer; none when missing or not a number.
    std::optional<int> storedInt(const QString& section, const QString& name) const;

    std::unique_ptr<QSettings> m_settings;
    quint64 m_generation = 0;
    bool m_removed = false;
    QString m_dataFolder;
};
