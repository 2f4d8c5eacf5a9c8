// The append-only local pane.
#include "conversation/LocalPane.h"

#include "conversation/EraseRules.h"
#include "platform/gui/FocusKeys.h"

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

// The edit character that Control+U or Control+W stands for; 0 for any other key.
char editCharOf(const QKeyEvent& event) {
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return 0;
    if (event.key() == Qt::Key_U)
        return EraseRules::KILL_LINE;
    if (event.key() == Qt::Key_W)
        return EraseRules::WORD_ERASE;
    return 0;
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

void LocalPane::eraseBack(char editChar) {
    QTextCursor c(document());
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    const QString text = c.selectedText(); // paragraph separators between lines, as the rule knows them
    const qsizetype kept = EraseRules::keptLength(text, editChar);
    c.setPosition(int(kept));
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    setTextCursor(c);
}

// The keys of the pane's own come before any shortcut of the window or the application.
bool LocalPane::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (editCharOf(*key) || FocusKeys::step(*key)) {
            event->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void LocalPane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept(); // Escape never closes the window
        return;
    }
    if (const int step = FocusKeys::step(*event)) {
        QWidget::focusNextPrevChild(step > 0); // the text edit's own would keep the focus for the Tab it types
        return;
    }
    if (const char editChar = editCharOf(*event)) {
        if (!isReadOnly()) {
            emit editCharTyped(editChar);
            eraseBack(editChar);
        }
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
