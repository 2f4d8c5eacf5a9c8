// The read-only remote pane of a conversation window, which shows what the remote user types.
//
// The upper pane of a conversation window: what the remote user types. It can be scrolled, selected and
// copied from, never typed, pasted or cut into; the keyboard reaches it too (Tab, Control+Tab), for reading and
// copying, and Control+Tab and Control+Shift+Tab leave it. Received text is applied as edits at its end, and the oldest
// text leaves its start as the stream decoder drops it (the remote text limit). Long lines are shown in blocks
// of bounded length (ReceivedTextView); the edits count the received text only.
#pragma once

#include "conversation/RemoteEdit.h"
#include "platform/gui/ReceivedTextView.h"

#include <QTimer>

class RemotePane : public ReceivedTextView {
    Q_OBJECT
public:
    explicit RemotePane(QWidget* parent = nullptr);

    // How long received text waits, at most, before it is shown (one frame).
    static constexpr int FLUSH_DELAY_MS = 16;

    // Takes the edits of one read of the stream in; they show within FLUSH_DELAY_MS.
    void ShowReceived(const RemoteEdits& edits);
    // Shows what is waiting now.
    void flushPending();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTimer m_flushTimer;
    // The length of the text shown, in UTF-16 units, a line break counting one.
    qsizetype m_shownLength = 0;
    qsizetype m_pendingTrim = 0;
    qsizetype m_pendingErase = 0;
    QString m_pendingInsert;
};
