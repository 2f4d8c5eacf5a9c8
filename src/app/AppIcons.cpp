// Icons from the compiled-in resources.
#include "app/AppIcons.h"

namespace AppIcons {
QIcon application() { return QIcon(QStringLiteral(":/icons/icon128.png")); }
QIcon blink() { return QIcon(QStringLiteral(":/icons/icon163.png")); }
} // namespace AppIcons
