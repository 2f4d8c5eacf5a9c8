// Privileges on Windows: binding the daemon's port needs none, so nothing is taken and nothing is dropped.
#include "platform/Privileges.h"

bool Privileges::drop() {
    return true;
}

bool Privileges::startedPrivileged() {
    return false;
}

void Privileges::forgetPluginPaths() {}

QString Privileges::grantHint(quint16, const QString&) {
    return {};
}
