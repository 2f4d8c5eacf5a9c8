// Starting with the desktop session, removed again by Uninstall.
//
// Linux: the installed template entry is copied into the user's XDG autostart folder on the first start of a
// version. Windows: the installer sets the value "Murmelo" of the user's Run key; the entry is that value.
#pragma once

#include <QString>

namespace Autostart {

inline const QString ENTRY_NAME = QStringLiteral("zuno.desktop");

// The template the package installs (<prefix>/share/zuno/zuno-autostart.desktop beside the program's
// bin folder); empty when the program runs from its build folder, and on Windows.
QString templatePath();
// $XDG_CONFIG_HOME/autostart/zuno.desktop (default ~/.config/autostart/zuno.desktop); on Windows the registry
// value HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run\Murmelo.
QString userEntryPath();

// Copies the template into the user's autostart folder unless an entry is there already
// (the user may have edited or disabled it). False when there is no template or the copy failed. On Windows the
// installer has done it: nothing to do.
bool install(const QString& templateFile = templatePath(), const QString& entryFile = userEntryPath());
// Removes the user's entry.
void remove(const QString& entryFile = userEntryPath());

} // namespace Autostart
