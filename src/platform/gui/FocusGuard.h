// Shows a window that comes up by itself without taking the keys the user is typing elsewhere.
//
// A ringing prompt or an error box comes up whenever the network says so, while the user may be typing anywhere: in
// a conversation, in the monitor, in another program's window. Such a window never takes the keyboard: it is shown on
// top without being activated (under X11 the window manager is told so through the user-time hint) and marked
// urgent in the taskbar. It takes keys once the user turns to it, by a click or by switching to it (Alt+Tab, the
// taskbar). For KEY_GUARD_MS after it appears no key does anything in it, however it got the keyboard: keys meant
// for another window never press one of its buttons (Return, Enter, Space, Escape, a mnemonic, a message box's bare
// letter). Mouse clicks always work.
//
// Some window systems activate every new window whatever the program asks (sway under Wayland; everywhere but X11,
// whose window managers read the hint, and Windows). There an activation within the guard time is taken for such a one,
// not the user's choice: the keyboard goes back to the program's window that had it, where the window system allows,
// and the window stays deaf to keys, beyond the guard time too, until the user clicks in it or switches away from it
// and back, whichever window had the keyboard before.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

class FocusGuard final : public QObject {
    Q_OBJECT

public:
    // How long after a window appears keys are kept from it.
    static constexpr qint64 KEY_GUARD_MS = 1000;

    // Shows the window as said above; the guard lives on as the window's child. Showing it again starts the guard
    // time anew.
    static void show(QWidget* window);

    // Whether a key would reach the window now: after the guard time, and not while it is deaf.
    bool acceptsKeys() const;

    // Milliseconds of a steady clock. Tests install their own; an empty function restores the real one.
    static void setClock(std::function<qint64()> clock);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FocusGuard(QWidget* window);
    bool guarding() const;

    QWidget* m_window;
    // The window that had the keyboard when this one came up.
    QPointer<QWidget> m_keyboardOwner;
    qint64 m_shownAt = 0;
    // Activated by the window system on its own, and not yet chosen by the user: keys are ignored.
    bool m_deaf = false;
};
