// One row of a search's result list: the four texts and the row state.
#pragma once

#include "platform/WireName.h"

#include <QString>

struct LocateRow {
    // Row states besides the answer codes a daemon sent.
    static constexpr int WAITING = -1;    // a probe went out this cycle; no reply matched yet
    static constexpr int LOOKING_UP = -2; // the host name is being looked up
    static constexpr int LOOKUP_FAILED = -3;
    static constexpr int BAD_RANGE = -4;  // an address range that cannot be read: never probed
    static constexpr int UNIX_DAEMON = 0; // SUCCESS or NOT_HERE from a Unix style daemon

    QString host; // as the address book gives it; a name stays a name after its look-up
    QString alias;
    QString status;
    WireName locatedUser; // "Unknown", or the login name a daemon of this program reported, with its bytes
    int state = WAITING;

    bool operator==(const LocateRow&) const = default;
};
