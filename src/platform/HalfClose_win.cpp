// Half-closing a connection with Windows Sockets' shutdown.
#include "platform/HalfClose.h"

#include <winsock2.h>

namespace HalfClose {
void sendingSide(qintptr descriptor) {
    ::shutdown(SOCKET(descriptor), SD_SEND);
}
} // namespace HalfClose
