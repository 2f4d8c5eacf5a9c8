// Speaking through speech-dispatcher, one utterance after another.
#include "platform/gui/DesktopSpeech.h"

#include <libspeechd.h>

#include <atomic>

namespace {

// Utterances sent and not yet spoken or cancelled; the service's own thread counts them down.
std::atomic<int> g_waiting{0};

void spoken(size_t, size_t, SPDNotificationType) {
    g_waiting.fetch_sub(1);
}

SPDConnection* open() {
    SPDConnection* connection = spd_open("murmelo", "conversation", nullptr, SPD_MODE_THREADED);
    if (connection == nullptr)
        return nullptr;
    connection->callback_end = spoken;
    connection->callback_cancel = spoken;
    spd_set_notification_on(connection, SPD_END);
    spd_set_notification_on(connection, SPD_CANCEL);
    return connection;
}

} // namespace

// The priority "message" is queued behind what is being said, and no later message cuts it off.
void DesktopSpeech::say(const QString& text) {
    static SPDConnection* const connection = open();
    if (connection == nullptr || g_waiting.load() >= MAX_WAITING)
        return;
    g_waiting.fetch_add(1);
    if (spd_say(connection, SPD_MESSAGE, text.toUtf8().constData()) < 0)
        g_waiting.fetch_sub(1);
}
