// Message container file.
#include "robot/MessageContainer.h"

#include "config/Settings.h"
#include "platform/MessageBoxService.h"
#include "robot/RobotMessageList.h"

#include <QFile>

namespace MessageContainer {

QString formatBlock(const RobotMessage& m) {
    const SystemTime& t = m.receiptTime;
    return QStringLiteral(" -- Message from: %1 at %2\r\n").arg(m.user, m.host) +
           QStringLiteral(" -- Receipt date: %1/%2/%3\r\n").arg(t.month).arg(t.day).arg(t.year) +
           QStringLiteral(" -- Receipt time: %1:%2:%3.%4 (local) \r\n\r\n")
               .arg(t.hour)
               .arg(t.minute)
               .arg(t.second)
               .arg(t.milliseconds) +
           m.text + QStringLiteral("\r\n\r\n -- End of message ") + QString(60, u'-') + QStringLiteral("\r\n\r\n");
}

bool appendBlock(const QString& fileName, const RobotMessage& message, QString* error) {
    QFile file(fileName);
    // Append mode: created when missing, never truncated.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = QStringLiteral("The message container file %1 could not be opened: %2.")
                         .arg(fileName, file.errorString());
        return false;
    }
    const QByteArray bytes = formatBlock(message).toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = QStringLiteral("The message container file %1 could not be written: %2.")
                         .arg(fileName, file.errorString());
        return false;
    }
    file.close();
    return true;
}

} // namespace MessageContainer

bool AppendMessageToContainer(const Settings& settings, bool force, const RobotMessage& message) {
    if (!force && !settings.saveinfile)
        return true;
    QString error;
    if (!MessageContainer::appendBlock(settings.containerFileName(), message, &error)) {
        MessageBoxService::Request r;
        r.text = error;
        r.icon = MessageBoxService::Icon::Warning;
        // Not modal: this can run from a socket's handler.
        MessageBoxService::instance().notify(r);
        return false;
    }
    return true;
}

bool SaveAllMessages(const Settings& settings, const RobotMessageList& list) {
    // One failure box, not one per message: the file that failed once fails the same way again.
    for (const RobotMessage& m : list.messages())
        if (!AppendMessageToContainer(settings, true, m))
            return false;
    return true;
}
