// The read-only remote pane.
#include "conversation/RemotePane.h"

#include "platform/gui/FocusKeys.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

RemotePane::RemotePane(QWidget* parent) : ReceivedTextView(parent) {
    setFocusPolicy(Qt::StrongFocus); // reached by keyboard too, for reading
    setContextMenuPolicy(Qt::NoContextMenu);
    viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(FLUSH_DELAY_MS);
    connect(&m_flushTimer, &QTimer::timeout, this, &RemotePane::flushPending);
}

// Edits are merged and shown once per frame: every change of the document makes the pane lay out its last
// page again to size the scroll bar, which a burst of small reads would otherwise pay for each time.
void RemotePane::ShowReceived(const RemoteEdits& edits) {
    for (const RemoteEdit& e : edits) {
        const qsizetype fromPending = std::min(e.erase, m_pendingInsert.size());
        m_pendingInsert.chop(fromPending);
        m_pendingErase += e.erase - fromPending;
        m_pendingInsert.append(e.insert);
        if (e.trim > 0) {
            // The start goes from the document first; text still waiting is cut when the trim reaches it.
            const qsizetype kept = std::max<qsizetype>(0, m_shownLength - m_pendingTrim - m_pendingErase);
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
    if (m_pendingErase > 0)
        m_shownLength -= eraseAtEnd(c, m_pendingErase);
    if (!m_pendingInsert.isEmpty()) {
        appendText(c, m_pendingInsert);
        m_shownLength += m_pendingInsert.size();
    }
    if (m_pendingTrim > 0)
        m_shownLength -= trimAtStart(c, m_pendingTrim);
    c.endEditBlock();
    m_pendingTrim = 0;
    m_pendingErase = 0;
    m_pendingInsert.clear();
    if (atBottom)
        bar->setValue(bar->maximum());
}

void RemotePane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (const int step = FocusKeys::step(*event)) {
        QWidget::focusNextPrevChild(step > 0);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
