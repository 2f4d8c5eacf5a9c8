// The gate that bounds the conversations prompts start by themselves.
//
// Conversations that prompts start by themselves (the talk robot, "Connect at once") are bounded: a flood of
// forged ANNOUNCEs must not open conversations without end, and one caller host must not take every place. A
// prompt that would start one more waits here, as it is, until one of the running ones ends.
#pragma once

#include "config/Bounds.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class AutoConversationGate : public QObject {
    Q_OBJECT
public:
    explicit AutoConversationGate(QObject* parent = nullptr);

    // Runs `start` at once when fewer than the limit run, and fewer than the per-host limit for `host`; else when
    // one ends, in the order of the requests (a turn whose host is at its limit lets later ones of other hosts
    // pass). `start` returns the conversation object (null when none was started); it counts until it is
    // destroyed. A waiting turn is dropped when `owner` is destroyed first.
    void request(QObject* owner, const QString& host, std::function<QObject*()> start);
    // Drops the waiting turn of `owner`, if any.
    void cancel(QObject* owner);

    int running() const { return int(m_running.size()); }
    int runningFor(const QString& host) const;
    int waiting() const { return int(m_waiting.size()); }
    bool isWaiting(QObject* owner) const;
    void setLimit(int limit) { m_limit = limit; }

private:
    struct Turn {
        QPointer<QObject> owner;
        QString host;
        std::function<QObject*()> start;
    };
    struct Running {
        QObject* conversation;
        QString host;
    };
    void runNext();
    bool mayRun(const QString& host) const;
    void launch(const QString& host, std::function<QObject*()> start);

    QList<Running> m_running;
    QList<Turn> m_waiting;
    int m_limit = bounds::MAX_AUTO_CONVERSATIONS;
};
