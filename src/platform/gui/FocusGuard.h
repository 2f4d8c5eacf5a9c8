// Shows a window that comes up by itself without taking the keys the user is typing elsewhere.
//
// A ringing prompt or an error box comes up whenever the network says so, while the user may be typing in a
// conversation or in the monitor. Such a window never takes the keyboard from another window of the program: it is
// shown on top without being activated, and should the window system activate it anyway within the guard time, the
// keyboard goes back. With no window of the program active it takes the keyboard as any new window does, so that a
// user who is not typing answers with Return. Either way, for KEY_GUARD_MS after it appears no key does anything in
// it: keys meant for another window never press one of its buttons (Return, Enter, Space, Escape, a mnemonic, a
// message box's bare letter). Mouse clicks always work.
//
// Some window systems give every new window the keyboard and let no program take it back (sway under Wayland marks
// the window that asks for it urgent instead). There (on every platform but X11, where the window manager hands the
// keyboard back) a window that took the keyboard that way from another window of the program ignores keys beyond the
// guard time too, until the user clicks in it or turns to another window and back.
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
    // Activated by the window system against the program's wish, and not yet chosen by the user.
    bool m_forced = false;
};
