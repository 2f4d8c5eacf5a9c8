// Half-closing a connection with shutdown(2).
#include "platform/HalfClose.h"

#include <sys/socket.h>

namespace HalfClose {
void sendingSide(qintptr descriptor) {
    ::shutdown(int(descriptor), SHUT_WR);
}
} // namespace HalfClose
