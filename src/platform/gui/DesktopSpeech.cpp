// The program's one speech queue.
#include "platform/gui/DesktopSpeech.h"

#include "platform/SpeechQueue.h"

namespace {

// Only the GUI thread speaks; the queue lives until the program ends.
std::unique_ptr<SpeechQueue>& queue() {
    static std::unique_ptr<SpeechQueue> q;
    return q;
}

} // namespace

void DesktopSpeech::say(quintptr owner, const QString& text) {
    std::unique_ptr<SpeechQueue>& q = queue();
    if (!q) {
        std::unique_ptr<SpeechBackend> backend = makeBackend();
        if (!backend)
            return;
        q = std::make_unique<SpeechQueue>(std::move(backend));
    }
    q->say(owner, text);
}

void DesktopSpeech::cancel(quintptr owner) {
    if (const std::unique_ptr<SpeechQueue>& q = queue())
        q->cancel(owner);
}
