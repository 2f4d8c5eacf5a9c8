// One change to the remote pane: remove characters from the end of its text, then append text.
#pragma once

#include <QList>
#include <QString>

struct RemoteEdit {
    // UTF-16 units to remove from the end of the pane's text (a line break counts as one unit).
    qsizetype erase = 0;
    // Text to append; line breaks are '\n'.
    QString insert;

    bool operator==(const RemoteEdit&) const = default;
};

using RemoteEdits = QList<RemoteEdit>;
