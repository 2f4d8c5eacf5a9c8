// Icons from the compiled-in resources, each loaded once for the whole program.
#include "app/AppIcons.h"

// Every window shows one of these icons. A QIcon made afresh from its file is a new icon to Qt: the pixmaps
// drawn from it for the window system stay in the pixmap cache under its own key after the window has
// gone, so each window opened left some 16 kB behind. One instance per icon keeps one set of pixmaps.
// (At global scope: the resource initialiser must not be declared inside a namespace.)
static QIcon load(const QString& path) {
    // The resources may not be registered yet when a window is the first user of an icon.
    Q_INIT_RESOURCE(resources);
    return QIcon(path);
}

namespace AppIcons {

QIcon application() {
    static const QIcon icon = load(QStringLiteral(":/icons/icon128.png"));
    return icon;
}

QIcon blink() {
    static const QIcon icon = load(QStringLiteral(":/icons/icon163.png"));
    return icon;
}

} // namespace AppIcons
