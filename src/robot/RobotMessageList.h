// The program's list of robot messages.
//
// The program's list of robot messages, oldest first. Its count is the signal that messages wait:
// the tray blinks and offers "&Messages", and Exit and Uninstall ask first.
//
// It is bounded (bounds::MAX_ROBOT_MESSAGES, bounds::ROBOT_MESSAGES_TEXT_LIMIT). A robot conversation holds a
// place from its start to its end, counted as a message of the largest size, so that what it files always fits;
// the list is full when no place is left for one more, and then the robot takes no more calls.
#pragma once

#include "robot/RobotMessage.h"

#include <QList>
#include <QObject>

#include <vector>

class RobotMessageList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The most text one message may carry: the robot's text limit and the line that says it was cut.
    static qsizetype largestMessage();

    const std::vector<RobotMessage>& messages() const { return m_messages; }
    bool isEmpty() const { return m_messages.empty(); }
    int count() const { return static_cast<int>(m_messages.size()); }
    // The text of every listed message, in UTF-16 code units.
    qsizetype textSize() const { return m_textSize; }
    int placesHeld() const { return m_placesHeld; }
    // No place is left for one more message: the robot takes no calls.
    bool isFull() const;
    // The robot takes calls: its running switch is on and the list has room.
    bool robotTakesCalls(int robotSwitch) const { return robotSwitch != 0 && !isFull(); }
    // Whether `count` messages holding `textSize` of text leave room for one more holding `size`.
    static bool holdsAnother(int count, qsizetype textSize, qsizetype size);

    // A robot conversation takes its place when it starts and gives it back when it ends, after filing.
    void holdPlace();
    void releasePlace();

    // Appends the message with the next id (returned). With `inHeldPlace` the message takes the place its
    // conversation held, which is released with it. Once the ids have reached bounds::MAX_MESSAGE_ID (files named
    // that high came back from disk) nothing is appended and 0 is returned; a held place is given back.
    quint64 append(const RobotMessage& message, bool inHeldPlace = false);
    // Takes back messages of an earlier run, oldest first, with the ids they had; new ids go above them and above
    // `highestIdInUse`. They are not new: emptinessChanged is emitted, messageAdded is not. A message whose id is not
    // above the last one listed is left out; the first that does not fit in the bounds ends the taking, so that the
    // filing order holds. Returns how many were taken.
    int restore(const std::vector<RobotMessage>& messages, quint64 highestIdInUse = 0);
    // Removes the message with this id; false when none has it.
    bool remove(quint64 id);
    void clear();

signals:
    // A message was appended (it is the last one).
    void messageAdded(const RobotMessage& message);
    // Messages were deleted (remove, clear).
    void messagesRemoved(const QList<quint64>& ids);
    // The list went from empty to non-empty or back.
    void emptinessChanged(bool empty);
    // The list became full, or has room again.
    void fullnessChanged(bool full);

private:
    void checkFullness();

    std::vector<RobotMessage> m_messages;
    qsizetype m_textSize = 0;
    int m_placesHeld = 0;
    quint64 m_lastId = 0;
    bool m_full = false;
};
