// Robot message list.
#include "robot/RobotMessageList.h"

#include <algorithm>

void RobotMessageList::append(const RobotMessage& message) {
    const bool wasEmpty = m_messages.empty();
    m_messages.push_back(message);
    if (wasEmpty)
        emit emptinessChanged(false);
    emit messageAdded(message);
}

bool RobotMessageList::removeByReceiptTime(const SystemTime& time) {
    const auto it = std::find_if(m_messages.begin(), m_messages.end(),
                                 [&](const RobotMessage& m) { return m.receiptTime == time; });
    if (it == m_messages.end())
        return false;
    m_messages.erase(it);
    if (m_messages.empty())
        emit emptinessChanged(true);
    return true;
}

void RobotMessageList::clear() {
    const bool wasEmpty = m_messages.empty();
    m_messages.clear();
    if (!wasEmpty)
        emit emptinessChanged(true);
}
