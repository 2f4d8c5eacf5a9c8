// Uninstall.
#include "customize/UninstallProgram.h"

#include "platform/ProfileStore.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace UninstallProgram {

QString autostartEntryPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("autostart/") + AUTOSTART_FILE);
}

void removeEverything(ProfileStore& store) {
    store.removeEverything();
    const QString entry = autostartEntryPath();
    if (QFile::exists(entry))
        QFile::remove(entry);
}

} // namespace UninstallProgram
