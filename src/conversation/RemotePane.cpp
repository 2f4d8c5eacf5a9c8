// The read-only remote pane.
#include "conversation/RemotePane.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

RemotePane::RemotePane(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setFocusPolicy(Qt::ClickFocus); // not a tab stop
    setContextMenuPolicy(Qt::NoContextMenu);
    viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(FLUSH_DELAY_MS);
    connect(&m_flushTimer, &QTimer::timeout, this, &RemotePane::flushPending);
}

// Edits are merged and shown once per frame: every change of the document makes the pane lay out its last
// page again to size the scroll bar, which a burst of small reads would otherwise pay for each time.
void RemotePane::apply(const RemoteEdits& edits) {
    for (const RemoteEdit& e : edits) {
        const qsizetype fromPending = std::min(e.erase, m_pendingInsert.size());
        m_pendingInsert.chop(fromPending);
        m_pendingErase += e.erase - fromPending;
        m_pendingInsert.append(e.insert);
        if (e.trim > 0) {
            // The start goes from the document first; text still waiting is cut when the trim reaches it.
            const qsizetype kept = std::max<qsizetype>(0, documentLength() - m_pendingTrim - m_pendingErase);
            const qsizetype fromDocument = std::min(e.trim, kept);
            m_pendingTrim += fromDocument;
            m_pendingInsert.remove(0, e.trim - fromDocument);
        }
    }
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void RemotePane::flushPending() {
    m_flushTimer.stop();
    if (m_pendingErase == 0 && m_pendingInsert.isEmpty() && m_pendingTrim == 0)
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    QTextCursor c(document());
    c.beginEditBlock();
    c.movePosition(QTextCursor::End);
    if (m_pendingErase > 0) {
        const int end = c.position();
        c.setPosition(std::max(0, end - int(m_pendingErase)), QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    if (!m_pendingInsert.isEmpty())
        c.insertText(m_pendingInsert);
    if (m_pendingTrim > 0) {
        c.setPosition(0);
        c.setPosition(int(std::min(m_pendingTrim, documentLength())), QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    c.endEditBlock();
    m_pendingTrim = 0;
    m_pendingErase = 0;
    m_pendingInsert.clear();
    if (atBottom)
        bar->setValue(bar->maximum());
}

qsizetype RemotePane::documentLength() const {
    // characterCount() counts the paragraph separator after the last block too.
    return document()->characterCount() - 1;
}

void RemotePane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
