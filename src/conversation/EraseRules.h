// How far the talk edit characters kill-line and word-erase take a text back.
//
// Both ends of a conversation apply the same rule to the text as they hold it: the stream decoder to what the peer
// typed, the local pane and its record of what the peer was told to what the user typed. A line break ends both
// reaches, as on a Unix talk screen, where neither leaves the line the cursor is on: kill-line erases back to the
// start of the line (nothing at its start); word-erase erases the blanks (spaces, tabs) before the end, then the
// characters back to the next blank (so after blanks alone it erases them, and on an empty line nothing).
#pragma once

#include <QStringView>

class EraseRules {
public:
    static constexpr char KILL_LINE = 21;
    static constexpr char WORD_ERASE = 23;

    // Where the current (last) line of `text` starts.
    static qsizetype lineStart(QStringView text);
    // Where the last word of `text` starts, its trailing blanks included in what word-erase takes.
    static qsizetype wordStart(QStringView text);
    // What is left of `text` after `editChar` (KILL_LINE or WORD_ERASE); all of it for any other character.
    static qsizetype keptLength(QStringView text, char editChar);

    // A line break as the stream ('\n') and the panes (paragraph and line separators) hold it.
    static bool isLineBreak(QChar c);
    static bool isBlank(QChar c);
};
