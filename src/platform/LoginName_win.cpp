// The login name of the process's user, from GetUserNameW with a buffer of the protocol's 12 characters: a longer
// name does not fit and fails, which gives "default".
#include "platform/LoginName.h"

#include <windows.h>

namespace LoginName {

QString systemName() {
    wchar_t buffer[BUFFER_SIZE];
    DWORD size = BUFFER_SIZE;
    if (!GetUserNameW(buffer, &size) || size == 0)
        return {};
    // The size counts the terminator.
    return QString::fromWCharArray(buffer, int(size) - 1);
}

} // namespace LoginName
