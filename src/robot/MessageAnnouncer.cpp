// Desktop notifications of filed robot messages.
#include "robot/MessageAnnouncer.h"

#include "config/Bounds.h"
#include "platform/AppContext.h"
#include "platform/ShownText.h"
#include "robot/RobotMessageList.h"

#include <QPointer>

namespace {

const QString CUT_MARK = QStringLiteral("...");

// Caret form, at most `limit` characters of it; a longer text is cut where a character ends and marked.
QString glance(const QString& text, int limit) {
    const QString shown = ShownText::caretForm(text);
    if (shown.size() <= limit)
        return shown;
    qsizetype cut = limit - CUT_MARK.size();
    if (shown.at(cut - 1).isHighSurrogate())
        --cut;
    return shown.left(cut) + CUT_MARK;
}

// The first line with something other than blanks on it, without the blanks around it and at most `limit`
// characters more than a glance shows (enough to tell that it was cut); empty when there is none.
QString firstLine(const QString& text, int limit) {
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        const QString line = QStringView(text).mid(start, qMin(end - start, qsizetype(limit) * 2)).trimmed().toString();
        if (!line.isEmpty())
            return line;
        start = end + 1;
    }
    return {};
}

} // namespace

MessageAnnouncer::MessageAnnouncer(AppContext& context, QObject* source, QObject* parent)
    : QObject(parent), m_context(context), m_source(source) {
    connect(&context.messages(), &RobotMessageList::messageAdded, this, &MessageAnnouncer::announce);
}

NotificationService::Notice MessageAnnouncer::noticeFor(const RobotMessage& message) {
    NotificationService::Notice notice;
    notice.title =
        QStringLiteral("Message from %1 at %2")
            .arg(glance(message.user.text, bounds::NOTICE_NAME_LIMIT), glance(message.host, bounds::NOTICE_NAME_LIMIT));
    notice.text = glance(firstLine(message.text, bounds::NOTICE_TEXT_LIMIT), bounds::NOTICE_TEXT_LIMIT);
    return notice;
}

void MessageAnnouncer::announce(const RobotMessage& message) {
    if (m_stopped || m_context.messageMonitorOpen())
        return;
    NotificationService::Notice notice = noticeFor(message);
    notice.source = m_source;
    QPointer<MessageAnnouncer> self(this);
    NotificationService::instance().show(notice, [self] {
        if (self && !self->m_stopped)
            self->m_context.openMessageMonitor();
    });
}
