// The daemon host's path, given by the build.
#include "DaemonHostPath.h"

QString daemonHostPath() {
    return QStringLiteral(ZUNO_DAEMONHOST);
}
