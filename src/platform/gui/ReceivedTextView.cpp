// Received text shown in blocks of bounded length.
#include "platform/gui/ReceivedTextView.h"

#include "config/Bounds.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

// The user state of a block that begins a line (what Qt gives a new block).
constexpr int BEGINS_LINE = -1;
// A line break keeps the next line in the block while the block holds fewer characters than this; so only a line of
// more than half a block ever overflows one and has to move on to a block of its own.
constexpr qsizetype SHARED_BLOCK = bounds::DISPLAY_LINE_LIMIT / 2;

// The characters that QTextCursor::insertText turns into block breaks, and the line separator: line breaks.
bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator || c == u'\xFDD0' ||
           c == u'\xFDD1' || c == QChar::LineSeparator;
}

// QTextCursor::movePosition lays the cursor's block out first, whatever the move: setting the position does not.
void moveToEnd(QTextCursor& cursor) {
    cursor.setPosition(cursor.document()->characterCount() - 1);
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

ReceivedTextView::ReceivedTextView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
}

bool ReceivedTextView::continuesLine(const QTextBlock& block) {
    return block.userState() == CONTINUES_LINE;
}

QString ReceivedTextView::text() const {
    return textBetween(0, document()->characterCount() - 1);
}

void ReceivedTextView::setText(const QString& text) {
    setPlainText(QString());
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    QString shown = text;
    appendText(cursor, shown);
    cursor.endEditBlock();
    moveCursor(QTextCursor::Start);
}

// The line breaks of `text` become the view's own on the way in: line separators while the block is short, block
// breaks once it is not. The text goes in with one insertion, and one more after each break of a full block.
void ReceivedTextView::appendText(QTextCursor& cursor, QString& text) {
    moveToEnd(cursor);
    qsizetype used = cursor.block().length() - 1;
    QChar* const chars = text.data();
    qsizetype from = 0; // where the text not yet inserted starts
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isLineBreak(chars[i])) {
            const bool shared = used < SHARED_BLOCK;
            chars[i] = shared ? QChar::LineSeparator : QChar::ParagraphSeparator;
            used = shared ? used + 1 : 0;
            continue;
        }
        // A surrogate pair stays in one block, which may then hold one unit more.
        if (used < bounds::DISPLAY_LINE_LIMIT ||
            (i > 0 && chars[i].isLowSurrogate() && chars[i - 1].isHighSurrogate())) {
            ++used;
            continue;
        }
        cursor.insertText(text.sliced(from, i - from));
        from = i;
        used = breakBlock(cursor) + 1;
    }
    cursor.insertText(from == 0 ? text : text.sliced(from));
}

// The last block is full in the middle of a line. When it holds an earlier line, the line begins a block of its own.
// Otherwise the line goes on in a block after a display break: after the block's last blank, when that lies in its
// second half (words stay whole), else at its end. Returns the length of the new last block.
qsizetype ReceivedTextView::breakBlock(QTextCursor& cursor) {
    const QTextBlock block = cursor.block();
    const QString shown = block.text();
    const qsizetype separator = shown.lastIndexOf(QChar::LineSeparator);
    if (separator >= 0) {
        cursor.setPosition(block.position() + int(separator));
        cursor.setPosition(block.position() + int(separator) + 1, QTextCursor::KeepAnchor);
        cursor.insertBlock();
        cursor.block().setUserState(BEGINS_LINE);
        moveToEnd(cursor);
        return shown.size() - separator - 1;
    }
    qsizetype at = shown.size();
    for (qsizetype i = shown.size() - 1; i >= shown.size() / 2; --i) {
        if (isBlank(shown[i])) {
            at = i + 1;
            break;
        }
    }
    cursor.setPosition(block.position() + int(at));
    cursor.insertBlock();
    cursor.block().setUserState(CONTINUES_LINE);
    moveToEnd(cursor);
    return shown.size() - at;
}

qsizetype ReceivedTextView::eraseAtEnd(QTextCursor& cursor, qsizetype units) {
    moveToEnd(cursor);
    const int end = cursor.position();
    QTextBlock block = cursor.block();
    int from = end;
    qsizetype left = units;
    while (left > 0) {
        const int inBlock = from - block.position();
        if (left <= inBlock) {
            from -= int(left);
            left = 0;
            break;
        }
        left -= inBlock;
        from = block.position();
        if (!block.previous().isValid())
            break;
        // The break before the block is a unit of the text when it is a real line break.
        if (!continuesLine(block))
            --left;
        block = block.previous();
        --from;
    }
    // A block erased whole goes with its display break.
    if (from == block.position() && continuesLine(block)) {
        block = block.previous();
        --from;
    }
    // Qt keeps the state of the last of the blocks it merges; the first one's is the right one.
    const int state = block.userState();
    cursor.setPosition(from);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.block().setUserState(state);
    return units - left;
}

qsizetype ReceivedTextView::trimAtStart(QTextCursor& cursor, qsizetype units) {
    QTextBlock block = document()->firstBlock();
    qsizetype left = units;
    int to = 0;
    for (;;) {
        const int length = block.length() - 1;
        const QTextBlock next = block.next();
        if (left <= length || !next.isValid()) {
            const int taken = int(std::min<qsizetype>(left, length));
            left -= taken;
            to = block.position() + taken;
            // A block trimmed whole goes with its display break.
            if (taken == length && next.isValid() && continuesLine(next))
                to = next.position();
            break;
        }
        left -= length;
        if (!continuesLine(next))
            --left;
        block = next;
    }
    cursor.setPosition(0);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    document()->firstBlock().setUserState(BEGINS_LINE);
    moveToEnd(cursor);
    return units - left;
}

void ReceivedTextView::selectLine(int position) {
    const QTextBlock at = document()->findBlock(position);
    // Back to the line separator before `position`, or to the block that begins the line.
    QTextBlock block = at;
    qsizetype inBlock = position - block.position();
    int start = 0;
    for (;;) {
        const qsizetype separator = QStringView(block.text()).first(inBlock).lastIndexOf(QChar::LineSeparator);
        if (separator >= 0 || !continuesLine(block) || !block.previous().isValid()) {
            start = block.position() + int(separator + 1);
            break;
        }
        block = block.previous();
        inBlock = block.length() - 1;
    }
    // On to the line separator after it, or to the end of the block that ends the line, with the break.
    block = at;
    inBlock = position - block.position();
    int end = 0;
    for (;;) {
        const qsizetype separator = QStringView(block.text()).indexOf(QChar::LineSeparator, inBlock);
        const QTextBlock next = block.next();
        if (separator >= 0 || !next.isValid() || !continuesLine(next)) {
            end = separator >= 0 ? block.position() + int(separator) + 1
                                 : (next.isValid() ? next.position() : block.position() + block.length() - 1);
            break;
        }
        block = next;
        inBlock = 0;
    }
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void ReceivedTextView::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    m_doubleClicked.start();
    m_doubleClickedAt = event->position();
}

// Qt selects the block under a triple click; a block holds several lines here.
void ReceivedTextView::mousePressEvent(QMouseEvent* event) {
    const bool triple = event->button() == Qt::LeftButton && m_doubleClicked.isValid() &&
                        !m_doubleClicked.hasExpired(QApplication::doubleClickInterval()) &&
                        (event->position() - m_doubleClickedAt).manhattanLength() < QApplication::startDragDistance();
    m_doubleClicked.invalidate();
    QPlainTextEdit::mousePressEvent(event);
    if (triple)
        selectLine(cursorForPosition(event->position().toPoint()).position());
}

QMimeData* ReceivedTextView::createMimeDataFromSelection() const {
    const QTextCursor selection = textCursor();
    auto* data = new QMimeData;
    data->setText(textBetween(selection.selectionStart(), selection.selectionEnd()));
    return data;
}

QString ReceivedTextView::textBetween(int from, int to) const {
    QString out;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.position() > from && !continuesLine(block))
            out.append(QLatin1Char('\n'));
        const int start = std::max(from, block.position()) - block.position();
        const int stop = std::min(to, block.position() + block.length() - 1) - block.position();
        out.append(QStringView(block.text()).sliced(start, std::max(stop - start, 0)));
    }
    out.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return out;
}
