// Control+Tab and Control+Shift+Tab.
#include "platform/gui/FocusKeys.h"

#include <QKeyEvent>

int FocusKeys::step(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    if (!(mods & Qt::ControlModifier) || (mods & (Qt::AltModifier | Qt::MetaModifier)))
        return 0;
    // Shift+Tab arrives as Backtab on X11 and Wayland, as Tab with Shift elsewhere.
    if (event.key() == Qt::Key_Backtab || (event.key() == Qt::Key_Tab && (mods & Qt::ShiftModifier)))
        return -1;
    return event.key() == Qt::Key_Tab ? 1 : 0;
}
