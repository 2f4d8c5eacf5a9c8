// Keeps a window from taking input while one of its dialogs waits for an answer, and waits for that answer.
//
// An owned dialog blocks its owner window alone. Qt's window modality blocks every window below the same ancestor as
// well, and the conversations and the request prompts share one owner, the hidden tray window: a box of one
// conversation would freeze all the others and a ringing caller's prompt, and application modality would freeze
// everything. So a dialog is shown without modality, and while it is on screen the owner's window ignores the user's
// keys, clicks, drops and its close box; programs and timers go on as before.
#pragma once

#include <QObject>
#include <QPointer>

class QDialog;
class QWidget;

class OwnerBlock final : public QObject {
public:
    // Shows the dialog, blocks the owner's window while it is open (no owner: blocks nothing), and returns the
    // dialog's result once it finishes (QDialog::Rejected when it is destroyed first). The dialog is not deleted.
    static int wait(QDialog* dialog, QWidget* owner);
    // Blocks the owner's window until the dialog finishes or is destroyed; returns at once.
    static void blockWhileOpen(QDialog* dialog, QWidget* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OwnerBlock(QWidget* ownerWindow, QObject* parent);

    QPointer<QWidget> m_owner;
};
