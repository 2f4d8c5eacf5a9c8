// Autostart entry.
#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace Autostart {

QString templatePath() {
    const QString candidate =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/zuno/zuno-autostart.desktop"));
    return QFileInfo::exists(candidate) ? QFileInfo(candidate).canonicalFilePath() : QString();
}

QString userEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/") +
           ENTRY_NAME;
}

bool install(const QString& templateFile, const QString& entryFile) {
    if (templateFile.isEmpty() || !QFileInfo::exists(templateFile))
        return false;
    if (QFileInfo::exists(entryFile))
        return true;
    QDir().mkpath(QFileInfo(entryFile).absolutePath());
    return QFile::copy(templateFile, entryFile);
}

void remove(const QString& entryFile) {
    QFile::remove(entryFile);
}

} // namespace Autostart
