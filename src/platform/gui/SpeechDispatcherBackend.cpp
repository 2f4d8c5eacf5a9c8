// Speaking through speech-dispatcher's client library (see SpeechDispatcherBackend.h).
#include "platform/gui/SpeechDispatcherBackend.h"

#include "platform/gui/DesktopSpeech.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <sys/socket.h>

namespace {

// The one open connection of the process: speech-dispatcher's callbacks say which utterance, not whose.
std::atomic<SpeechDispatcherBackend*> g_open{nullptr};

void onEnded(size_t utterance, size_t, SPDNotificationType) {
    if (SpeechDispatcherBackend* backend = g_open.load())
        backend->notified(utterance);
}

// Writing to a service that went away raises SIGPIPE on the writing thread: blocked there, the write fails with
// EPIPE instead. Threads the library starts from here inherit the mask.
void blockBrokenPipe() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

// A SIGPIPE left pending by a failed write is taken away, so that it never reaches the program.
void dropPendingBrokenPipe() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    const timespec now{0, 0};
    while (sigtimedwait(&pipe, nullptr, &now) == SIGPIPE) {
    }
}

} // namespace

SpeechDispatcherBackend::~SpeechDispatcherBackend() {
    close();
}

bool SpeechDispatcherBackend::open(Ended ended) {
    close();
    blockBrokenPipe();
    SPDConnection* connection = spd_open("murmelo", "conversation", nullptr, SPD_MODE_THREADED);
    if (connection == nullptr)
        return false;
    {
        const std::lock_guard<std::mutex> hold(m_socketLock);
        m_socket = connection->socket;
    }
    m_connection = connection;
    m_ended = std::move(ended);
    g_open = this;
    connection->callback_end = onEnded;
    connection->callback_cancel = onEnded;
    if (spd_set_notification_on(connection, SPD_END) != 0 || spd_set_notification_on(connection, SPD_CANCEL) != 0) {
        close();
        return false;
    }
    return true;
}

int SpeechDispatcherBackend::say(const QString& text) {
    if (m_connection == nullptr)
        return -1;
    const int utterance = spd_say(m_connection, SPD_MESSAGE, text.toUtf8().constData());
    if (utterance < 0)
        dropPendingBrokenPipe();
    return utterance;
}

bool SpeechDispatcherBackend::cancel() {
    if (m_connection == nullptr)
        return false;
    // This connection's utterances only: a screen reader's own speech goes on.
    const bool done = spd_cancel(m_connection) == 0;
    if (!done)
        dropPendingBrokenPipe();
    return done;
}

void SpeechDispatcherBackend::close() {
    if (m_connection == nullptr)
        return;
    {
        const std::lock_guard<std::mutex> hold(m_socketLock);
        m_socket = -1;
    }
    // Ends the library's thread, so no notice comes after this.
    spd_close(m_connection);
    m_connection = nullptr;
    g_open = nullptr;
    m_ended = nullptr;
    dropPendingBrokenPipe();
}

void SpeechDispatcherBackend::interrupt() {
    const std::lock_guard<std::mutex> hold(m_socketLock);
    if (m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
}

void SpeechDispatcherBackend::notified(size_t utterance) {
    if (m_ended)
        m_ended(int(utterance));
}

std::unique_ptr<SpeechBackend> DesktopSpeech::makeBackend() {
    return std::make_unique<SpeechDispatcherBackend>();
}
