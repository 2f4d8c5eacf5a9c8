// Names from the network as the user is shown them and as files record them: control characters in caret form
// ("^[" for escape, "^?" for delete, "M-^[" for the 8-bit escape), so that a name cannot move the cursor, ring,
// clear a terminal that shows a file, or hide part of a message. The one place this rule is written.
#pragma once

#include <QString>

namespace ShownText {
// The text with every C0 control character, DEL and C1 control character in caret form.
QString caretForm(const QString& text);
// A menu entry's text: caret form, and every "&" doubled so that a name never makes a mnemonic.
QString menuText(const QString& text);
} // namespace ShownText
