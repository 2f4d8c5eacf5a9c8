// The bound on conversations started by prompts.
#include "daemon/AutoConversationGate.h"

AutoConversationGate::AutoConversationGate(QObject* parent) : QObject(parent) {}

void AutoConversationGate::request(QObject* owner, std::function<QObject*()> start) {
    if (m_running.size() < m_limit && m_waiting.isEmpty()) {
        launch(std::move(start));
        return;
    }
    m_waiting.append({owner, std::move(start)});
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

void AutoConversationGate::launch(std::function<QObject*()> start) {
    QObject* conversation = start();
    if (conversation == nullptr || m_running.contains(conversation))
        return;
    m_running.append(conversation);
    connect(conversation, &QObject::destroyed, this, [this, conversation] {
        m_running.removeAll(conversation);
        runNext();
    });
}

void AutoConversationGate::runNext() {
    while (m_running.size() < m_limit && !m_waiting.isEmpty()) {
        Turn turn = m_waiting.takeFirst();
        if (turn.owner.isNull())
            continue;
        launch(std::move(turn.start));
    }
}
