// The program's icons: 128 (normal) and 163 (the other blink phase).
#pragma once

#include <QIcon>

namespace AppIcons {
// The same shared icon at every call: windows never load their own copy.
QIcon application(); // icon 128
QIcon blink();       // icon 163
} // namespace AppIcons
