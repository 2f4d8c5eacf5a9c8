// Where the headless daemon host (daemonhost, built beside this library) is.
#pragma once

#include <QString>

QString daemonHostPath();
