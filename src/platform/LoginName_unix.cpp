// The login name of the process's effective user, from the password database.
#include "platform/LoginName.h"

#include <pwd.h>
#include <unistd.h>

namespace LoginName {

QString systemName() {
    const passwd* pw = getpwuid(geteuid());
    if (pw == nullptr || pw->pw_name == nullptr)
        return {};
    return QString::fromLocal8Bit(pw->pw_name);
}

} // namespace LoginName
