// Files of the user's alone, written so that nothing at their name is followed or replaced: the robot messages kept
// on disk and the message container file.
//
// On Linux files are made 0600 and folders 0700, written under a temporary name and renamed into place without
// replacing, and folders are synced after a rename. On Windows the user's application-data folder is the user's own
// by its access list; a file is renamed into place with MoveFileEx, which never replaces without being asked to.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFile;

namespace PrivateFiles {

// Why writeNewFile or renameWithoutReplacing failed when something else has the name.
inline const QString NAME_IN_THE_WAY = QStringLiteral("another file has that name");

// Makes a rename or removal in the folder durable (the folder's own entry list goes to the disk too).
void syncFolder(const QString& folder);
// Makes the folder the owner's alone, whoever made it: where others may write, they could plant names in it.
void makeOwnerOnly(const QString& folder);
// Writes a new file at `path` in `folder`, readable by its owner only: in full and flushed to the disk under a
// temporary name, then renamed into place. Whatever is at `path` already is neither followed nor replaced. Returns
// why it failed, or an empty text.
QString writeNewFile(const QString& folder, const QString& path, const QByteArray& bytes);
// Gives the file `from` the name `to` only when nothing (not even a dangling link) has it. Returns why it failed, or
// an empty text.
QString renameWithoutReplacing(const QString& from, const QString& to);
// The bytes of a regular file of at most `limit` bytes; nothing for anything else (a link, a pipe, a device, a
// folder, a file that cannot be opened or is too large).
std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit);
// Opens `file` (named `path`) for appending, unbuffered, creating it readable by its owner only when it is missing (a
// file that is there keeps its access). Returns why it failed, or an empty text.
QString openForAppend(QFile& file, const QString& path);

} // namespace PrivateFiles
