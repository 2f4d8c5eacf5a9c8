// The bound on conversations started by prompts.
#include "daemon/AutoConversationGate.h"

AutoConversationGate::AutoConversationGate(QObject* parent) : QObject(parent) {}

void AutoConversationGate::request(QObject* owner, const QString& host, std::function<QObject*()> start) {
    m_waiting.append({owner, host, std::move(start)});
    runNext();
}

void AutoConversationGate::cancel(QObject* owner) {
    m_waiting.removeIf([owner](const Turn& t) { return t.owner == owner || t.owner.isNull(); });
}

bool AutoConversationGate::isWaiting(QObject* owner) const {
    for (const Turn& t : m_waiting)
        if (t.owner == owner)
            return true;
    return false;
}

int AutoConversationGate::runningFor(const QString& host) const {
    int n = 0;
    for (const Running& r : m_running)
        n += r.host == host ? 1 : 0;
    return n;
}

bool AutoConversationGate::mayRun(const QString& host) const {
    return running() < m_limit && runningFor(host) < bounds::MAX_AUTO_CONVERSATIONS_PER_HOST;
}

void AutoConversationGate::launch(const QString& host, std::function<QObject*()> start) {
    QObject* conversation = start();
    if (conversation == nullptr)
        return;
    for (const Running& r : std::as_const(m_running))
        if (r.conversation == conversation)
            return;
    m_running.append({conversation, host});
    connect(conversation, &QObject::destroyed, this, [this, conversation] {
        m_running.removeIf([conversation](const Running& r) { return r.conversation == conversation; });
        runNext();
    });
}

void AutoConversationGate::runNext() {
    // A turn may start a conversation that ends at once and calls back here: take turns one at a time, each from
    // the current queue.
    for (qsizetype i = 0; i < m_waiting.size() && running() < m_limit;) {
        if (m_waiting[i].owner.isNull()) {
            m_waiting.removeAt(i);
            continue;
        }
        if (!mayRun(m_waiting[i].host)) {
            ++i;
            continue;
        }
        Turn turn = m_waiting.takeAt(i);
        launch(turn.host, std::move(turn.start));
        i = 0; // the queue may have changed under the start
    }
}
