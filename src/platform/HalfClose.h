// Ends the sending half of a connected TCP socket: the peer reads the end of the stream after the last byte, while
// this side may still read.
#pragma once

#include <QtGlobal>

namespace HalfClose {
void sendingSide(qintptr descriptor);
} // namespace HalfClose
