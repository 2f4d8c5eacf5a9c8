// Filing robot messages.
#include "robot/StoreRobotMessage.h"

#include "app/AppCore.h"
#include "robot/MessageContainer.h"

void StoreRobotMessage(AppCore& core, const QString& text, const QString& host, const QString& user) {
    if (text.isEmpty())
        return;
    RobotMessage message;
    message.text = text.size() > bounds::ROBOT_TEXT_LIMIT ? text.left(bounds::ROBOT_TEXT_LIMIT) + ROBOT_TEXT_CUT_MARK : text;
    message.host = host;
    message.user = user;
    message.receiptTime = LocalClock::now();
    core.messages().append(message);
    AppendMessageToContainer(core.settings(), false, message);
}
