// The user's store on Windows is the registry key HKEY_CURRENT_USER\Software\Bravik\ZUNO.
#include "platform/ProfileStore.h"

void ProfileStore::removeNativeStore() {
    // clear() leaves the empty key: it goes with its subkeys, and the maker's key when nothing else is in it.
    QSettings software(QStringLiteral("HKEY_CURRENT_USER\\Software"), QSettings::NativeFormat);
    software.remove(QStringLiteral("%1/%2").arg(QLatin1String(ORGANISATION), QLatin1String(APPLICATION)));
    software.beginGroup(QLatin1String(ORGANISATION));
    const bool makerEmpty = software.childGroups().isEmpty() && software.childKeys().isEmpty();
    software.endGroup();
    if (makerEmpty)
        software.remove(QLatin1String(ORGANISATION));
    software.sync();
}
