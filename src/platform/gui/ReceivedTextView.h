// A read-only view of text that came from elsewhere, whose lines may be of any length.
//
// Qt lays a paragraph out whole at every change of it, and a long one costs more than its length even once: a line
// without breaks from a peer would cost the square of its length and stop the one thread, the daemon's included.
// So the view shows text in blocks of at most bounds::DISPLAY_LINE_LIMIT characters. Each block of a document costs
// Qt a few steps through trees as deep as the document has blocks, so one block per line would make a long text cost
// more than its length: short lines share a block instead, separated by line separators (U+2028), until it is full,
// and the line that does not fit begins the next block. A line longer than a block goes on in the blocks after it;
// such a block carries the user state CONTINUES_LINE, and that display break is no part of the text.
// text(), copying, dragging and the mouse selection give the text exactly as it was set or appended, line breaks as
// '\n' (a line separator in the text is a line break as well), and the edits' counts (erase at the end, trim at the
// start) are counts of that text, never of the display breaks. A triple click selects a line of the text, as it
// selects a block in a plain text edit.
#pragma once

#include <QElapsedTimer>
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
    // Selects the line of the text around `position`, and its line break.
    void selectLine(int position);

protected:
    // Edits through `cursor`, which each leaves at the end of the document; inside an edit block of the cursor's, or
    // the cursor lays a block out at every move. The erase and the trim return how many units of the text they
    // removed.
    void appendText(QTextCursor& cursor, QString& text);
    qsizetype eraseAtEnd(QTextCursor& cursor, qsizetype units);
    qsizetype trimAtStart(QTextCursor& cursor, qsizetype units);

    QMimeData* createMimeDataFromSelection() const override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    qsizetype breakBlock(QTextCursor& cursor);
    QString textBetween(int from, int to) const;

    // When and where the last double click was: a press soon after it, near it, is a triple click.
    QElapsedTimer m_doubleClicked;
    QPointF m_doubleClickedAt;
};
