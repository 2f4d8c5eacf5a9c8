// The local pane of a conversation window, where the local user types.
//
// The lower pane of a conversation window: what the local user types. Every insertion lands at the end of
// the text, however it comes (keys, paste, middle click, drag and drop, input methods), and a selection is
// edited only when it reaches the end; navigation keys and Control+C act where the caret is. Undo is off: it
// would edit the text away from its end. Control+U erases the current line and Control+W the last word, as a Unix
// talk does with its terminal's kill and word-erase characters; Control+Tab and Control+Shift+Tab move the focus on
// (Tab itself types a tab).
#pragma once

#include <QPlainTextEdit>

class LocalPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LocalPane(QWidget* parent = nullptr);

    // Moves the caret to the end of the text, unless a selection reaches there already.
    void moveCaretToEnd();
    // Erases what `editChar` (EraseRules::KILL_LINE or WORD_ERASE) takes from the end of the text.
    void eraseBack(char editChar);

signals:
    // Control+U or Control+W: emitted before the pane erases, so that the peer is told by that one character.
    void editCharTyped(char editChar);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
