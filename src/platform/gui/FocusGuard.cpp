// Windows that come up by themselves, kept from taking keys.
#include "platform/gui/FocusGuard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <chrono>

namespace {

std::function<qint64()>& clockSource() {
    static std::function<qint64()> source;
    return source;
}

qint64 now() {
    if (clockSource())
        return clockSource()();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Whether the window system gives the keyboard back when the program asks. X11 window managers do, and a window
// activated there during the guard time may have been chosen by the user (a taskbar, Alt+Tab). Elsewhere (sway under
// Wayland) the window system decides alone.
bool windowSystemHandsBack() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

FocusGuard::FocusGuard(QWidget* window) : QObject(window), m_window(window) {}

void FocusGuard::setClock(std::function<qint64()> clock) {
    clockSource() = std::move(clock);
}

void FocusGuard::show(QWidget* window) {
    auto* guard = window->findChild<FocusGuard*>(QString(), Qt::FindDirectChildrenOnly);
    if (!guard)
        guard = new FocusGuard(window);
    // Every active window is one of the program's: Qt knows no other.
    QWidget* active = QApplication::activeWindow();
    guard->m_keyboardOwner = active != window ? active : nullptr;
    const bool quietly = guard->m_keyboardOwner != nullptr;
    window->setAttribute(Qt::WA_ShowWithoutActivating, quietly);
    // The attribute reaches the window system when the native window is made; one made before takes it from here.
    if (QWindow* handle = window->windowHandle())
        handle->setProperty("_q_showWithoutActivating", quietly);
    guard->m_shownAt = now();
    guard->m_forced = false;
    window->show();
    // Keys go to the focus widget first, shortcuts are offered to it: every widget of the window is watched.
    window->installEventFilter(guard);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->installEventFilter(guard);
    window->raise();
    if (!quietly)
        window->activateWindow();
}

bool FocusGuard::guarding() const {
    return now() - m_shownAt < KEY_GUARD_MS;
}

bool FocusGuard::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Taken by the widget, so no shortcut (a button's mnemonic) fires; the key press that follows goes below.
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (guarding() || m_forced) {
            event->accept();
            return true;
        }
        break;
    case QEvent::WindowActivate:
        // Some window systems activate every new window: the window the user types in gets the keyboard back, where
        // the window system lets it. Until this window is deactivated, its keys were meant for that other window.
        if (watched == m_window && m_keyboardOwner && guarding()) {
            m_forced = !windowSystemHandsBack();
            if (m_keyboardOwner->isVisible())
                m_keyboardOwner->activateWindow();
        }
        break;
    case QEvent::WindowDeactivate:
        if (watched == m_window)
            m_forced = false;
        break;
    case QEvent::MouseButtonPress:
        // The user chose this window.
        m_forced = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
