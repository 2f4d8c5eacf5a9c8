// Filing robot messages.
#include "robot/StoreRobotMessage.h"

#include "platform/AppContext.h"
#include "platform/CountedErrorBox.h"
#include "robot/MessageContainer.h"
#include "robot/MessageStore.h"
#include "robot/RobotMessageList.h"

namespace {

// The text as filed: at most bounds::ROBOT_TEXT_LIMIT code units of it, cut where a character or a line break
// ends, then the mark.
QString cutText(const QString& text) {
    if (text.size() <= bounds::ROBOT_TEXT_LIMIT)
        return text;
    qsizetype cut = bounds::ROBOT_TEXT_LIMIT;
    if (text.at(cut - 1).isHighSurrogate() && text.at(cut).isLowSurrogate())
        --cut;
    if (text.at(cut - 1) == u'\r' && text.at(cut) == u'\n')
        --cut;
    return text.left(cut) + ROBOT_TEXT_CUT_MARK;
}

} // namespace

bool StoreRobotMessage(AppContext& context, const QString& text, const QString& host, const WireName& user,
                       bool inHeldPlace) {
    if (text.isEmpty()) {
        if (inHeldPlace)
            context.messages().releasePlace();
        return false;
    }
    RobotMessage message;
    message.text = cutText(text);
    message.host = host;
    message.user = user;
    message.receiptTime = LocalClock::now();
    message.id = context.messages().append(message, inHeldPlace);
    if (message.id == 0) {
        // No id is left that could be kept on disk and read back: refused, and said as the store says its failures.
        context.containerErrors().report(context.messageStore().noIdLeftError());
        return false;
    }
    AppendMessageToContainer(context, false, message);
    return true;
}
