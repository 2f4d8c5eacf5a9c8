// A message left with the talk robot: what the caller typed, who and where from, and when it was filed.
// The receipt time is the message's identity.
#pragma once

#include "platform/SystemTime.h"

#include <QString>

struct RobotMessage {
    QString text;
    QString host;
    QString user;
    SystemTime receiptTime;
};
