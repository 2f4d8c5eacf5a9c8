// The user's store on Linux is a file like any other: $XDG_CONFIG_HOME/Bravik/ZUNO.conf.
#include "platform/ProfileStore.h"

void ProfileStore::removeNativeStore() {
    removeStoreFile(m_settings->fileName());
}
