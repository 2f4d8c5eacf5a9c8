// The message container file: robot messages appended in a fixed, readable layout, oldest first.
// Nothing reads it back; it is an export for the user. UTF-8, CR LF line ends.
#pragma once

#include "robot/RobotMessage.h"

#include <QString>

class AppContext;
class RobotMessageList;

namespace MessageContainer {
// One block: sender line, date line, time line, empty line, the text, empty line, closing line, empty line.
// The sender's name and host come from the network: they are written in caret form, so that a file shown on a
// terminal shows them and never obeys them.
QString formatBlock(const RobotMessage& message);
// Appends one block by its own open-append-close; the file holds whole blocks only: a write that fails is cut
// off again. A file it creates is readable by its owner only. On failure returns false and sets `error` to a text that
// names the file and the failure.
bool appendBlock(const QString& fileName, const RobotMessage& message, QString* error = nullptr);
} // namespace MessageContainer

// When `force` is true or the setting saveinfile is on, appends the message to the container file;
// a failure is reported in the container file's counted error box (the message itself stays wherever it was)
// and gives false. After Uninstall nothing is written: a forced copy gives false, without a box.
bool AppendMessageToContainer(AppContext& context, bool force, const RobotMessage& message);
// Appends every message of the list, first to last; stops at the first failure (reported) with false.
bool SaveAllMessages(AppContext& context, const RobotMessageList& list);
