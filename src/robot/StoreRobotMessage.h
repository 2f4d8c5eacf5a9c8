// Filing a message the talk robot took.
#pragma once

#include "config/Bounds.h"

#include <QString>

class AppContext;
struct WireName;

// Ends a robot message whose text was cut at bounds::ROBOT_TEXT_LIMIT.
inline const QString ROBOT_TEXT_CUT_MARK = QStringLiteral("\r\n[message cut at 1 MiB]");

// Appends a message with the receipt time of now to the list (which starts the tray blinking when it
// was empty, and shows the message in an open monitor), then copies it to the container file when the
// setting saveinfile is on. An empty text files nothing. A text longer than bounds::ROBOT_TEXT_LIMIT is cut on a
// character boundary (never inside a surrogate pair or a CR LF) and ends with ROBOT_TEXT_CUT_MARK.
// With `inHeldPlace` the message takes the place its robot conversation held in the list; that place is given
// back when nothing is filed. When the list has no id left (RobotMessageList::append), nothing is filed and the
// store's failure text is reported in the container's error box. Returns whether a message was filed.
// The caller's name keeps the bytes it came with.
bool StoreRobotMessage(AppContext& context, const QString& text, const QString& host, const WireName& user,
                       bool inHeldPlace = false);
