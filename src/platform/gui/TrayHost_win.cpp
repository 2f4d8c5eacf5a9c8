// The notification area of Windows reports double clicks.
#include "platform/gui/TrayHost.h"

namespace TrayHost {
bool lacksDoubleClick() {
    return false;
}
} // namespace TrayHost
