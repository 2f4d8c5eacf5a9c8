// Names from the network as the user is shown them: control characters in caret form ("^[" for escape), so a
// name cannot move the cursor, ring, or hide part of a message.
#pragma once

#include <QString>

namespace ShownText {
QString caretForm(const QString& text);
} // namespace ShownText
