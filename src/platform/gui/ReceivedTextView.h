// A read-only view of text that came from elsewhere, whose lines may be of any length.
//
// Qt lays a paragraph out whole at every change of it, and a long one costs more than its length even once: a line
// without breaks from a peer would cost the square of its length and stop the one thread, the daemon's included.
// So the view shows every line in blocks of at most bounds::DISPLAY_LINE_LIMIT characters. A block that continues
// the line of the block before it carries the user state CONTINUES_LINE; that display break is no part of the text.
// text(), copying, dragging and the mouse selection give the text exactly as it was set or appended, and the edits'
// counts (erase at the end, trim at the start) are counts of that text, never of the display breaks.
#pragma once

#include <QPlainTextEdit>

class ReceivedTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    // The user state of a block that continues the line of the block before it.
    static constexpr int CONTINUES_LINE = 1;

    explicit ReceivedTextView(QWidget* parent = nullptr);

    // The text shown, line breaks as '\n'.
    QString text() const;
    // Shows `text` (line breaks as '\n') from its start.
    void setText(const QString& text);
    // Whether `block` continues the line of the block before it.
    static bool continuesLine(const QTextBlock& block);

protected:
    // Edits through `cursor`, which each leaves at the end of the document. The erase and the trim return how many
    // units of the text they removed.
    void appendText(QTextCursor& cursor, QStringView text);
    qsizetype eraseAtEnd(QTextCursor& cursor, qsizetype units);
    qsizetype trimAtStart(QTextCursor& cursor, qsizetype units);

    QMimeData* createMimeDataFromSelection() const override;

private:
    qsizetype breakLine(QTextCursor& cursor);
    QString textBetween(int from, int to) const;
};
