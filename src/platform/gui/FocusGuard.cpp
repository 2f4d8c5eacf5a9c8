// Windows that come up by themselves, kept from taking keys.
#include "platform/gui/FocusGuard.h"

#include "platform/MillisecondClock.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {

MillisecondClock& timeSource() {
    static MillisecondClock instance;
    return instance;
}

qint64 now() {
    return timeSource().now();
}

// Whether the window system keeps a window shown without activation from taking the keyboard: X11 window managers
// read the user-time hint and Windows shows it with SW_SHOWNOACTIVATE, so an activation there is the user's (a click,
// Alt+Tab, the taskbar). Elsewhere (sway under Wayland) the window system activates new windows as it likes.
bool windowSystemHonoursQuietShow() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("windows");
}

} // namespace

FocusGuard::FocusGuard(QWidget* window) : QObject(window), m_window(window) {}

void FocusGuard::setClock(std::function<qint64()> clock) {
    timeSource().set(std::move(clock));
}

void FocusGuard::show(QWidget* window) {
    auto* guard = window->findChild<FocusGuard*>(QString(), Qt::FindDirectChildrenOnly);
    if (!guard)
        guard = new FocusGuard(window);
    // The only windows Qt knows active are the program's own; another program's may have the keyboard as well.
    QWidget* active = QApplication::activeWindow();
    guard->m_keyboardOwner = active != window ? active : nullptr;
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    // The attribute reaches the window system when the native window is made; one made before takes it from here.
    if (QWindow* handle = window->windowHandle())
        handle->setProperty("_q_showWithoutActivating", true);
    guard->m_shownAt = now();
    guard->m_deaf = false;
    window->show();
    // Keys go to the focus widget first, shortcuts are offered to it: every widget of the window is watched.
    window->installEventFilter(guard);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->installEventFilter(guard);
    window->raise();
    // The taskbar marks it, so a keyboard user finds it with Alt+Tab.
    QApplication::alert(window);
}

bool FocusGuard::acceptsKeys() const {
    return !guarding() && !m_deaf;
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
        if (!acceptsKeys()) {
            event->accept();
            return true;
        }
        break;
    case QEvent::WindowActivate:
        // Activated right after it appeared. Where the window system activates new windows by itself, that was not
        // the user's doing: deaf until the user turns to it. The program's window the user typed in gets the keyboard
        // back where the window system lets it.
        if (watched == m_window && guarding()) {
            m_deaf = !windowSystemHonoursQuietShow();
            if (m_keyboardOwner && m_keyboardOwner->isVisible())
                m_keyboardOwner->activateWindow();
        }
        break;
    case QEvent::WindowDeactivate:
        // The user turned away; turning back is a choice.
        if (watched == m_window)
            m_deaf = false;
        break;
    case QEvent::MouseButtonPress:
        // The user chose this window.
        m_deaf = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
