// The waiting robot messages on disk, one file per message, so that they outlive a crash, a logout or a power cut.
//
// The folder is the user's data folder of the program (`~/.local/share/Bravik/ZUNO/` on Linux, the same organisation
// and application as the settings). A message is written when it is filed and removed when it is deleted; at start
// the messages are read back in filing order. Each file is named after the message's id, twenty decimal digits and
// ".msg" (the id is the filing order: the list gives every new message an id above all that are on disk), and holds
// the layout of MessageFile. A file is written in full or not at all (a temporary file, flushed to the disk, renamed
// into place), never through or over anything already at its name; the folder is kept owner-only. A file that cannot
// be read is renamed aside ("….msg.unreadable") and never deleted.
#pragma once

#include "robot/RobotMessage.h"

#include <QString>
#include <QStringList>

#include <vector>

class MessageStore {
public:
    // The suffixes of a message's file, and of one that could not be read.
    static constexpr const char* SUFFIX = ".msg";
    static constexpr const char* UNREADABLE_SUFFIX = ".unreadable";

    // What a start reads back.
    struct Loaded {
        // The messages in filing order, as many as the message list's bounds hold.
        std::vector<RobotMessage> messages;
        // Files that could not be read, under the names they were set aside as.
        QStringList setAside;
        // Messages that did not fit in the list; their files stay as they are, for a later start.
        int leftOnDisk = 0;
        // The highest id any file of the folder is named after (read, left or set aside), up to
        // bounds::MAX_MESSAGE_ID: new ids go above it.
        quint64 highestId = 0;
    };

    // The user's data folder of the program.
    static QString defaultFolder();

    explicit MessageStore(const QString& folder = defaultFolder());

    const QString& folder() const { return m_folder; }
    // The file of the message with this id.
    QString pathFor(quint64 id) const;

    // Writes the message's file (creating the folder; both readable by their owner only). On failure (also when
    // something has the file's name already, and for an id loadAll would not take back: 0 or above
    // bounds::MAX_MESSAGE_ID) returns false and sets `error` to a text that names the file and the failure;
    // whatever had the name is left as it was.
    bool save(const RobotMessage& message, QString* error = nullptr);
    // Removes the file of the message with this id; true when it is gone (or was never there).
    bool remove(quint64 id, QString* error = nullptr);
    // Reads the folder back. Never fails: what cannot be read is set aside and listed.
    Loaded loadAll();
    // Uninstall: removes the folder and everything in it, then the organisation's folder above it when nothing else
    // is left there. The store writes nothing afterwards.
    bool removeFolder();

    // What the user is told when a message cannot be kept: `where` (its file, or the folder) and the reason.
    static QString keepError(const QString& where, const QString& reason);
    // The same when no id is left below bounds::MAX_MESSAGE_ID for a new message.
    QString noIdLeftError() const;

    // What the user is told, once, about files that were set aside.
    static QString setAsideNotice(const QStringList& files);

private:
    // Renames an unreadable file aside; returns its new path (the old one when even that failed).
    QString setAside(const QString& name);

    QString m_folder;
    bool m_removed = false;
};
