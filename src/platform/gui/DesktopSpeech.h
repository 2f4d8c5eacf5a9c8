// The desktop's speech service (speech-dispatcher), which screen readers speak through, for screen-reader users.
//
// Utterances are queued by the service in order, none cutting off another. At most MAX_WAITING wait there; beyond
// that new ones are dropped until the service has spoken some, so that a peer's flood of lines cannot keep it
// busy for long. The connection opens on first use and lives as long as the program. Where no speech service
// runs, nothing is said and nothing is reported.
#pragma once

#include <QString>

namespace DesktopSpeech {
constexpr int MAX_WAITING = 8;

void say(const QString& text);
} // namespace DesktopSpeech
