// What the desktop's tray tells the program about clicks on its icon.
#pragma once

namespace TrayHost {
// Whether the tray delivers one click and never a double click (StatusNotifier trays on Linux desktops).
bool lacksDoubleClick();
} // namespace TrayHost
