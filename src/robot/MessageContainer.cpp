// Message container file.
#include "robot/MessageContainer.h"

#include "config/Settings.h"
#include "platform/AppContext.h"
#include "platform/CountedErrorBox.h"
#include "platform/PrivateFiles.h"
#include "platform/ProfileStore.h"
#include "platform/ShownText.h"
#include "robot/RobotMessageList.h"

#include <QFile>

namespace MessageContainer {

QString formatBlock(const RobotMessage& m) {
    const SystemTime& t = m.receiptTime;
    return QStringLiteral(" -- Message from: %1 at %2\r\n")
               .arg(ShownText::caretForm(m.user.text), ShownText::caretForm(m.host)) +
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
    auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("The message container file %1 could not be %2: %3.")
                         .arg(fileName, QLatin1String(what), file.errorString());
        return false;
    };
    // Append mode: created when missing (readable by its owner only, as the messages on disk are; a file that is
    // there keeps its mode), never truncated. Unbuffered: the one write below is the file's write.
    const QString reason = PrivateFiles::openForAppend(file, fileName);
    if (!reason.isEmpty()) {
        if (error)
            *error = QStringLiteral("The message container file %1 could not be opened: %2.").arg(fileName, reason);
        return false;
    }
    const qint64 before = file.size();
    const QByteArray bytes = formatBlock(message).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        // Part of a block is no block: the file goes back to the size it had.
        const QString reason = file.errorString();
        file.resize(before);
        file.close();
        if (error)
            *error = QStringLiteral("The message container file %1 could not be written: %2.").arg(fileName, reason);
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fail("written");
    return true;
}

} // namespace MessageContainer

bool AppendMessageToContainer(AppContext& context, bool force, const RobotMessage& message) {
    // After Uninstall the program writes nothing, not even into the user's own file: the setting that asked for
    // the copies is gone with the rest, and a file made now would be left behind by a program already removed.
    if (context.store().removed())
        return !force;
    if (!force && !context.settings().saveinfile)
        return true;
    QString error;
    if (!MessageContainer::appendBlock(context.settings().containerFileName(), message, &error)) {
        // A file that keeps failing shows one box, with the count of the failures since.
        context.containerErrors().report(error);
        return false;
    }
    return true;
}

bool SaveAllMessages(AppContext& context, const RobotMessageList& list) {
    // The file that failed once fails the same way again: the first failure ends the run.
    for (const RobotMessage& m : list.messages())
        if (!AppendMessageToContainer(context, true, m))
            return false;
    return true;
}
