// Uninstall.
#include "customize/UninstallProgram.h"

#include "platform/ProfileStore.h"
#include "robot/MessageStore.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace UninstallProgram {

QString autostartEntryPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("autostart/") + AUTOSTART_FILE);
}

void removeEverything(ProfileStore& store, MessageStore& messages) {
    // The robot messages kept on disk go too, and the maker's folder there when nothing else is in it.
    messages.removeFolder();
    store.removeEverything();
    const QString entry = autostartEntryPath();
    if (QFile::exists(entry))
        QFile::remove(entry);
}

} // namespace UninstallProgram
