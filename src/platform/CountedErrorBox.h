// One non-blocking error box for one source of repeated errors, counting those that follow.
//
// One error box on the screen for one source of repeated errors (the daemon's socket, the message container
// file). It is shown without blocking and never from inside the handler that reports the error; it comes up by
// itself, so it never takes the keyboard from another window of the program. Every error after the one it shows
// is counted into it, from the first report on: its last line "(N more since)" is kept up to date while it is
// shown. Once it is closed, the next error opens a new box.
#pragma once

#include "platform/MessageBoxService.h"

#include <QObject>
#include <QString>

class CountedErrorBox : public QObject {
    Q_OBJECT
public:
    explicit CountedErrorBox(MessageBoxService::Icon icon, QObject* parent = nullptr);

    // Queues the box, or counts the error into the box that is queued or shown.
    void report(const QString& text);

    bool boxShown() const { return m_shown; }
    // Errors reported after the one the box shows.
    int countedSince() const { return m_more; }

private:
    void show();
    void closed();
    QString boxText() const;

    MessageBoxService::Icon m_icon;
    QString m_text; // the error the box shows
    int m_more = 0;
    bool m_queued = false;
    bool m_shown = false;
    int m_box = 0; // the service's number of the shown box
};
