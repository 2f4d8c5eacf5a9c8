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
}

void RemotePane::apply(const RemoteEdits& edits) {
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    QTextCursor c(document());
    c.beginEditBlock();
    for (const RemoteEdit& e : edits) {
        c.movePosition(QTextCursor::End);
        if (e.erase > 0) {
            const int end = c.position();
            c.setPosition(std::max(0, end - int(e.erase)), QTextCursor::KeepAnchor);
            c.removeSelectedText();
        }
        if (!e.insert.isEmpty())
            c.insertText(e.insert);
    }
    c.endEditBlock();
    if (atBottom)
        bar->setValue(bar->maximum());
}

void RemotePane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
