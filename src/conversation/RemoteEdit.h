// One change to the remote pane, as the stream decoder gives it.
//
// One change to the remote pane: remove characters from the end of its text, append text, then drop the oldest
// text from its start.
#pragma once

#include <QList>
#include <QString>

struct RemoteEdit {
    // UTF-16 units to remove from the end of the pane's text (a line break counts as one unit).
    qsizetype erase = 0;
    // Text to append; line breaks are '\n'.
    QString insert;
    // UTF-16 units to remove from the start of the text, once the rest is done (the remote text limit).
    qsizetype trim = 0;

    bool operator==(const RemoteEdit&) const = default;
};

using RemoteEdits = QList<RemoteEdit>;
