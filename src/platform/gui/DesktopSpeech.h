// The desktop's speech service, which screen readers speak through, for screen-reader users.
//
// One SpeechQueue for the program, started with the first utterance: the conversations' lines go to the service
// from its worker thread, so that a service that hangs never stops the windows or the daemon. Each conversation
// speaks as its own owner (its address): the budget is per conversation, and cancel() silences one conversation
// when it closes. Where no speech service runs, nothing is said and nothing is reported.
#pragma once

#include "platform/SpeechBackend.h"

#include <QString>

#include <memory>

namespace DesktopSpeech {
// Queues the text for the conversation `owner`; never waits for the service.
void say(quintptr owner, const QString& text);
// Drops what waits for `owner` and stops what is being said for it.
void cancel(quintptr owner);
// This system's speech service; each system's own file defines it (speech-dispatcher on Linux).
std::unique_ptr<SpeechBackend> makeBackend();
} // namespace DesktopSpeech
