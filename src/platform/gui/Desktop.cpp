// Desktop rectangle from the primary screen.
#include "platform/gui/Desktop.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
std::optional<QRect>& overrideRect() {
    static std::optional<QRect> value;
    return value;
}
} // namespace

namespace Desktop {
QRect rect() {
    if (overrideRect())
        return *overrideRect();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->geometry();
    return QRect(0, 0, 1024, 768);
}
void setOverride(std::optional<QRect> r) {
    overrideRect() = r;
}
} // namespace Desktop
