// On Windows the system's socket error numbers are the Windows Sockets numbers themselves.
#include "platform/SocketErrors.h"

namespace SocketErrors {

int fromSystem(int err) {
    return err;
}

} // namespace SocketErrors
