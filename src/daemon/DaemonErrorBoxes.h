// The daemon's error boxes: shown without blocking and never from inside the socket handler, at most one on the
// screen. Errors that come while it is shown are counted; when it is closed, one more box shows the latest of
// them with a last line "(N more since)".
#pragma once

#include <QObject>
#include <QString>

class DaemonErrorBoxes : public QObject {
    Q_OBJECT
public:
    explicit DaemonErrorBoxes(QObject* parent = nullptr);

    // Queues the box: it is shown once control is back in the event loop.
    void report(const QString& text);

    bool boxShown() const { return m_shown; }
    int countedSince() const { return m_more; }

private:
    void showNext();
    void closed();

    bool m_shown = false;
    bool m_queued = false;
    QString m_pending; // the latest text not shown yet
    int m_more = 0;    // errors since the shown box came up
};
