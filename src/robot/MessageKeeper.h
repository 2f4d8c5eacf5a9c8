// Keeps the robot message list and its files on disk in step: every message filed is written, every message the
// user deletes is removed, and at start the waiting messages come back into the list.
#pragma once

#include <QObject>
#include <QStringList>

class MessageStore;
class RobotMessageList;

class MessageKeeper : public QObject {
    Q_OBJECT
public:
    // Follows the list from now on, until stop(). Not at the application's aboutToQuit: the conversations that end
    // with the program file their messages after it.
    MessageKeeper(RobotMessageList& list, MessageStore& store, QObject* parent = nullptr);

    // Reads the waiting messages back into the list, in filing order and within its bounds (they count as waiting
    // messages: the tray blinks). Returns the files that could not be read and were set aside, to be told once.
    QStringList restore();
    // The program is ending: what the list drops now (its clearing at the end) stays on disk for the next start.
    void stop();

signals:
    // A message could not be written or removed; the text names the file and the failure.
    void failed(const QString& error);

private:
    RobotMessageList& m_list;
    MessageStore& m_store;
    bool m_stopped = false;
};
