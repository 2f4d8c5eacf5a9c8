// The append-only local pane.
#include "conversation/LocalPane.h"

#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace {

bool isNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        return true;
    default:
        return false;
    }
}

} // namespace

LocalPane::LocalPane(QWidget* parent) : QPlainTextEdit(parent) {
    setUndoRedoEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    setTabChangesFocus(false);
}

void LocalPane::moveCaretToEnd() {
    QTextCursor c = textCursor();
    // A selection that reaches the end is the end's own text: an edit key erases it, typing replaces it.
    if (c.selectionEnd() < document()->characterCount() - 1) {
        c.movePosition(QTextCursor::End);
        setTextCursor(c);
    }
}

void LocalPane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape never closes the window
        return;
    }
    if (event->matches(QKeySequence::Copy) || isNavigationKey(event->key())) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    moveCaretToEnd();
    QPlainTextEdit::keyPressEvent(event);
}

void LocalPane::insertFromMimeData(const QMimeData* source) {
    moveCaretToEnd();
    QPlainTextEdit::insertFromMimeData(source);
}

void LocalPane::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() || !event->preeditString().isEmpty())
        moveCaretToEnd();
    QPlainTextEdit::inputMethodEvent(event);
}

void LocalPane::dropEvent(QDropEvent* event) {
    // Text dragged inside the pane is copied to the end, never moved out of the middle.
    if (event->source() == this || event->source() == viewport())
        event->setDropAction(Qt::CopyAction);
    QPlainTextEdit::dropEvent(event);
}
