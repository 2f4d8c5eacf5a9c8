// Autostart on Windows: the value the installer sets in the user's Run key.
#include "platform/Autostart.h"

#include <QSettings>

namespace {
const QString RUN_KEY = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString VALUE_NAME = QStringLiteral("Murmelo");
} // namespace

namespace Autostart {

QString templatePath() {
    return {};
}

QString userEntryPath() {
    return RUN_KEY + u'\\' + VALUE_NAME;
}

bool install(const QString&, const QString&) {
    return true;
}

void remove(const QString& entryFile) {
    const qsizetype cut = entryFile.lastIndexOf(u'\\');
    if (cut <= 0)
        return;
    QSettings key(entryFile.left(cut), QSettings::NativeFormat);
    key.remove(entryFile.mid(cut + 1));
    key.sync();
}

} // namespace Autostart
