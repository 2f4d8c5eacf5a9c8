// The remote pane of a conversation window, which shows what the remote user types.
//
// The upper pane of a conversation window: what the remote user types. It can be scrolled, selected and
// copied from, never typed, pasted or cut into; received text is applied as edits at its end, and the oldest
// text leaves its start as the stream decoder drops it (the remote text limit).
#pragma once

#include "conversation/RemoteEdit.h"

#include <QPlainTextEdit>
#include <QTimer>

class RemotePane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RemotePane(QWidget* parent = nullptr);

    // How long received text waits, at most, before it is shown (one frame).
    static constexpr int FLUSH_DELAY_MS = 16;

    // Takes edits in; they show within FLUSH_DELAY_MS.
    void apply(const RemoteEdits& edits);
    // Shows what is waiting now.
    void flushPending();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The document's text in UTF-16 units, a line break counting one.
    qsizetype documentLength() const;

    QTimer m_flushTimer;
    qsizetype m_pendingTrim = 0;
    qsizetype m_pendingErase = 0;
    QString m_pendingInsert;
};
