// Uninstall.
#include "customize/UninstallProgram.h"

#include "platform/Autostart.h"
#include "platform/ProfileStore.h"
#include "robot/MessageStore.h"

namespace UninstallProgram {

QString autostartEntryPath() {
    return Autostart::userEntryPath();
}

void removeEverything(ProfileStore& store, MessageStore& messages) {
    // The robot messages kept on disk go too, and the maker's folder there when nothing else is in it.
    messages.removeFolder();
    store.removeEverything();
    Autostart::remove(autostartEntryPath());
}

} // namespace UninstallProgram
