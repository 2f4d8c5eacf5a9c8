// Uninstalling: the whole profile store (and the maker's folder when nothing else is in it) and the
// autostart entry that the first start put into the user's autostart folder. Nothing is written after it.
#pragma once

#include <QString>

class MessageStore;
class ProfileStore;

namespace UninstallProgram {

inline const QString QUESTION = QStringLiteral(
    "This will uninstall the program from your system registry. All settings will be lost. You are to delete "
    "file ZUNO.EXE, if you want to completely remove Murmelo from your computer. Continue?");
inline const QString CAPTION = QStringLiteral("Murmelo: uninstall");
inline const QString MESSAGES_WAIT = QStringLiteral("You have talk robot messages. Exit anyway?");
inline const QString AUTOSTART_FILE = QStringLiteral("zuno.desktop");

// $XDG_CONFIG_HOME/autostart/zuno.desktop (~/.config/autostart/zuno.desktop by default).
QString autostartEntryPath();

// Removes the profile store, the robot messages on disk and the autostart entry, through the program's own
// stores, which write nothing afterwards. Failures are not reported: the program quits anyway.
void removeEverything(ProfileStore& store, MessageStore& messages);

} // namespace UninstallProgram
