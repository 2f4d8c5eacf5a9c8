// Received text shown in blocks of bounded length.
#include "platform/gui/ReceivedTextView.h"

#include "config/Bounds.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace {

// The user state of a block that begins a line (what Qt gives a new block).
constexpr int BEGINS_LINE = -1;

// The characters that QTextCursor::insertText turns into block breaks.
bool startsBlock(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator || c == u'\xFDD0' ||
           c == u'\xFDD1';
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
    appendText(cursor, text);
    cursor.endEditBlock();
    moveCursor(QTextCursor::Start);
}

// Text without long lines goes in with one insertion, as Qt splits it into blocks at its line breaks.
void ReceivedTextView::appendText(QTextCursor& cursor, QStringView text) {
    cursor.movePosition(QTextCursor::End);
    qsizetype column = cursor.block().length() - 1;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (startsBlock(text[i])) {
            column = 0;
            continue;
        }
        // A surrogate pair stays in one block, which may then hold one unit more.
        if (column < bounds::DISPLAY_LINE_LIMIT ||
            (i > 0 && text[i].isLowSurrogate() && text[i - 1].isHighSurrogate())) {
            ++column;
            continue;
        }
        cursor.insertText(text.sliced(from, i - from).toString());
        from = i;
        column = breakLine(cursor) + 1;
    }
    cursor.insertText(text.sliced(from).toString());
}

// The last block is full and its line goes on: the display break goes after its last blank, when that lies in
// its second half (words stay whole), else at its end. Returns the length of the block that continues the line.
qsizetype ReceivedTextView::breakLine(QTextCursor& cursor) {
    const QTextBlock block = cursor.block();
    const QString shown = block.text();
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
    cursor.movePosition(QTextCursor::End);
    return shown.size() - at;
}

qsizetype ReceivedTextView::eraseAtEnd(QTextCursor& cursor, qsizetype units) {
    cursor.movePosition(QTextCursor::End);
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
    cursor.movePosition(QTextCursor::End);
    return units - left;
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
    return out;
}
