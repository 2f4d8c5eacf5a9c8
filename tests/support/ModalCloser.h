// Answers the dialog a test waits for: the newest dialog shown since the closer was made, handed to an action (which
// closes it) as soon as the event loop runs with it on screen. Dialogs shown before, and the order in which Qt happens
// to list its windows (it follows the hash seed and the widgets' addresses), play no part.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <QTimer>

#include <functional>

class ModalCloser final : public QObject {
public:
    using Action = std::function<void(QWidget*)>;

    // Watches from now until the action has run once, or until the closer goes (at the latest with the test row
    // that made it).
    explicit ModalCloser(Action action) : m_action(std::move(action)) { qApp->installEventFilter(this); }
    ~ModalCloser() override { qApp->removeEventFilter(this); }
    ModalCloser(const ModalCloser&) = delete;
    ModalCloser& operator=(const ModalCloser&) = delete;

    bool answered() const { return m_answered; }

protected:
    // Keeps the order in which top-level dialogs are shown; a dialog shown again counts as the newest.
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() != QEvent::Show || !dialog || !dialog->isWindow() || m_answered)
            return false;
        m_shown.removeAll(dialog);
        m_shown.append(dialog);
        // Once the dialog waits: inside its own event loop, or the test's.
        QTimer::singleShot(0, this, [this] { answer(); });
        return false;
    }

private:
    void answer() {
        for (qsizetype i = m_shown.size() - 1; i >= 0 && !m_answered; --i) {
            QWidget* dialog = m_shown.at(i);
            if (!dialog || !dialog->isVisible())
                continue;
            m_answered = true;
            qApp->removeEventFilter(this);
            m_action(dialog);
        }
    }

    Action m_action;
    QList<QPointer<QWidget>> m_shown;
    bool m_answered = false;
};
