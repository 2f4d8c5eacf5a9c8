// The program's list of robot messages, oldest first. Its count is the signal that messages wait:
// the tray blinks and offers "&Messages", and Exit and Uninstall ask first.
#pragma once

#include "robot/RobotMessage.h"

#include <QObject>

#include <vector>

class RobotMessageList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const std::vector<RobotMessage>& messages() const { return m_messages; }
    bool isEmpty() const { return m_messages.empty(); }
    int count() const { return static_cast<int>(m_messages.size()); }

    void append(const RobotMessage& message);
    // Removes the first message whose receipt time equals `time`; false when none does.
    bool removeByReceiptTime(const SystemTime& time);
    void clear();

signals:
    // A message was appended (it is the last one).
    void messageAdded(const RobotMessage& message);
    // The list went from empty to non-empty or back.
    void emptinessChanged(bool empty);

private:
    std::vector<RobotMessage> m_messages;
};
