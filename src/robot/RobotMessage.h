// A message left with the talk robot: what the caller typed, who and where from, and when it was filed.
// Its id, given by the message list, is its identity: two messages filed in the same millisecond share their
// receipt time, never their id.
#pragma once

#include "platform/SystemTime.h"
#include "platform/WireName.h"

#include <QString>

struct RobotMessage {
    QString text;
    QString host;
    // The caller's login name with the bytes it came with: a callback sends exactly those back.
    WireName user;
    SystemTime receiptTime;
    // Set when the message is appended to the list; unique for the program's life.
    quint64 id = 0;
};
