// One non-blocking error box for one source of repeated errors, counting those that follow.
//
// One error box on the screen for one source of repeated errors (the daemon's socket, the message container
// file). It is shown without blocking and never from inside the handler that reports the error; it comes up by
// itself, so it never takes the keyboard from another window of the program. Every error after the one it shows
// is counted into it, from the first report on, each one: its last line "(N more since)" follows the count while
// it is shown, refreshed at most every REFRESH_MS (a host can send thousands of errors a second, and laying the box
// out again for each would starve everything else on the thread); the last count of a burst is always shown.
// Once it is closed, the next error opens a new box.
#pragma once

#include "platform/MessageBoxService.h"

#include <QObject>
#include <QString>
#include <QTimer>

class CountedErrorBox : public QObject {
    Q_OBJECT
public:
    static constexpr int REFRESH_MS = 250;

    explicit CountedErrorBox(MessageBoxService::Icon icon, QObject* parent = nullptr);

    // Queues the box, or counts the error into the box that is queued or shown.
    void report(const QString& text);

    bool boxShown() const { return m_shown; }
    // Errors reported after the one the box shows.
    qint64 countedSince() const { return m_more; }

private:
    void show();
    void closed();
    void refresh();
    QString boxText() const;

    MessageBoxService::Icon m_icon;
    QString m_text; // the error the box shows
    qint64 m_more = 0;
    qint64 m_moreShown = 0; // the count the shown text has
    bool m_queued = false;
    bool m_shown = false;
    int m_box = 0; // the service's number of the shown box
    QTimer m_refresh;
};
