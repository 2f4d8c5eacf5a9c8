// One robot message as a file of the message store: a small UTF-8 text, readable in any editor.
//
//   Murmelo robot message 1             the format and its version
//   id 17                               the message's id, its place in the filing order (decimal, > 0)
//   received 1996 12 5 20 9 5 7 42      receipt time: year month day-of-week day hour minute second milliseconds
//   host alpha                          the caller's host, escaped
//   user anna                           the caller's login name, escaped
//   wire 4af67267                       only when they differ from the name's UTF-8: the bytes the name came
//                                       with from the network, in lower-case hex (a Latin-1 "J\xf6rg" here)
//   text 7                              how many bytes of escaped text follow this line
//   hello\r\n                           the text, escaped (CR, LF and tab stay as they are)
//   end
//
// Every line ends with LF; after the text's bytes come LF, "end" and LF, and nothing else. Escaped means: "\" is
// written "\\", and each C0 and C1 control character, DEL and each half of a broken surrogate pair is written
// "\uXXXX" (four upper-case hex digits of the UTF-16 code unit); all else is UTF-8. So any text, any name from the
// network and any control character in it reads back exactly, and no stored name can move the cursor of a
// terminal that shows the file. Numbers are decimal without sign or leading zero.
//
// The reader takes one exact form only: what it accepts, written again, gives the same bytes. Anything else (a
// truncated file, another version, binary data, a number out of range, a text longer than a robot message may be,
// a name longer than bounds::MAX_STORED_NAME_LENGTH, an id above bounds::MAX_MESSAGE_ID, a file larger than
// bounds::MAX_STORED_MESSAGE_BYTES) is not a message. A file without a wire line (all that earlier versions wrote)
// names a caller whose bytes are the name's UTF-8.
#pragma once

#include "robot/RobotMessage.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace MessageFile {

// The version this program writes and reads.
inline constexpr int VERSION = 1;

QByteArray encode(const RobotMessage& message);
// The message the bytes hold, or nothing when they are not exactly one message of this version.
std::optional<RobotMessage> decode(const QByteArray& bytes);

// The escaped form of a text; with `keepLineBreaks` CR, LF and tab stay as they are (the message text), without
// them they are escaped too (names, which sit on one line).
QString escape(const QString& text, bool keepLineBreaks);

} // namespace MessageFile
