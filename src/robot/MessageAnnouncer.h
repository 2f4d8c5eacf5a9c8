// Announces each robot message filed with a desktop notification, whose click opens the message monitor.
//
// None is shown while the monitor is on screen (the message appears there), for messages read back at start, or
// once the program is ending. The text is the caller's: it is shown in caret form and cut to a glance
// (bounds::NOTICE_TEXT_LIMIT, bounds::NOTICE_NAME_LIMIT).
#pragma once

#include "platform/NotificationService.h"
#include "robot/RobotMessage.h"

#include <QObject>

class AppContext;

class MessageAnnouncer : public QObject {
    Q_OBJECT
public:
    // Follows the context's message list from now on; `source` is whose notices they are (the tray icon, which
    // need not be in a tray: the notices go out without one).
    MessageAnnouncer(AppContext& context, QObject* source, QObject* parent = nullptr);

    // The notice for a message: "Message from <user> at <host>", and the first line of its text with something on it.
    static NotificationService::Notice noticeFor(const RobotMessage& message);

    // The program is ending: messages filed from now on (by conversations ending with it) are not announced.
    void stop() { m_stopped = true; }

private:
    void announce(const RobotMessage& message);

    AppContext& m_context;
    QObject* m_source;
    bool m_stopped = false;
};
