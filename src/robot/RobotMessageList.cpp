// Robot message list.
#include "robot/RobotMessageList.h"

#include "config/Bounds.h"
#include "robot/StoreRobotMessage.h"

#include <algorithm>

qsizetype RobotMessageList::largestMessage() {
    return bounds::ROBOT_TEXT_LIMIT + ROBOT_TEXT_CUT_MARK.size();
}

bool RobotMessageList::isFull() const {
    const qsizetype places = qsizetype(m_placesHeld) + 1;
    return count() + m_placesHeld >= bounds::MAX_ROBOT_MESSAGES ||
           m_textSize + places * largestMessage() > bounds::ROBOT_MESSAGES_TEXT_LIMIT;
}

bool RobotMessageList::holdsAnother(int count, qsizetype textSize, qsizetype size) {
    return count < bounds::MAX_ROBOT_MESSAGES && size <= bounds::ROBOT_MESSAGES_TEXT_LIMIT - textSize;
}

void RobotMessageList::checkFullness() {
    const bool full = isFull();
    if (full == m_full)
        return;
    m_full = full;
    emit fullnessChanged(full);
}

void RobotMessageList::holdPlace() {
    ++m_placesHeld;
    checkFullness();
}

void RobotMessageList::releasePlace() {
    if (m_placesHeld > 0)
        --m_placesHeld;
    checkFullness();
}

quint64 RobotMessageList::append(const RobotMessage& message, bool inHeldPlace) {
    if (m_lastId >= bounds::MAX_MESSAGE_ID) {
        // The next id would be one the store may not write and a start would set aside.
        if (inHeldPlace)
            releasePlace();
        return 0;
    }
    const bool wasEmpty = m_messages.empty();
    RobotMessage listed = message;
    listed.id = ++m_lastId;
    m_messages.push_back(listed);
    m_textSize += listed.text.size();
    if (inHeldPlace && m_placesHeld > 0)
        --m_placesHeld;
    checkFullness();
    if (wasEmpty)
        emit emptinessChanged(false);
    emit messageAdded(listed);
    return listed.id;
}

int RobotMessageList::restore(const std::vector<RobotMessage>& messages, quint64 highestIdInUse) {
    const bool wasEmpty = m_messages.empty();
    int taken = 0;
    for (const RobotMessage& m : messages) {
        const quint64 lastListed = m_messages.empty() ? 0 : m_messages.back().id;
        if (m.id <= lastListed)
            continue;
        if (!holdsAnother(count(), m_textSize, m.text.size()))
            break;
        m_messages.push_back(m);
        m_textSize += m.text.size();
        m_lastId = std::max(m_lastId, m.id);
        ++taken;
    }
    m_lastId = std::max(m_lastId, highestIdInUse);
    checkFullness();
    if (wasEmpty && !m_messages.empty())
        emit emptinessChanged(false);
    return taken;
}

bool RobotMessageList::remove(quint64 id) {
    const auto it =
        std::find_if(m_messages.begin(), m_messages.end(), [id](const RobotMessage& m) { return m.id == id; });
    if (it == m_messages.end())
        return false;
    m_textSize -= it->text.size();
    m_messages.erase(it);
    checkFullness();
    emit messagesRemoved({id});
    if (m_messages.empty())
        emit emptinessChanged(true);
    return true;
}

void RobotMessageList::clear() {
    QList<quint64> ids;
    for (const RobotMessage& m : m_messages)
        ids.append(m.id);
    m_messages.clear();
    m_textSize = 0;
    checkFullness();
    if (ids.isEmpty())
        return;
    emit messagesRemoved(ids);
    emit emptinessChanged(true);
}
