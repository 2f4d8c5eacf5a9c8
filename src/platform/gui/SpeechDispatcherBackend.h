// speech-dispatcher, the speech service of Linux desktops (what screen readers speak through), as a SpeechBackend.
//
// Linux only: the build picks this file there. The connection is speech-dispatcher's threaded one, whose own thread
// reports the end of each utterance; what this program says has the priority "message", queued behind what is
// being said and cut off by no later message. A connection that hangs is broken by shutting its socket down, which
// makes the waiting call return as failed; SIGPIPE is blocked on the calling thread, so that writing to a service
// that went away fails instead of ending the program.
#pragma once

#include "platform/SpeechBackend.h"

#include <libspeechd.h>

#include <mutex>

class SpeechDispatcherBackend final : public SpeechBackend {
public:
    SpeechDispatcherBackend() = default;
    ~SpeechDispatcherBackend() override;

    bool open(Ended ended) override;
    int say(const QString& text) override;
    bool cancel() override;
    void close() override;
    void interrupt() override;

    // The service's notice that an utterance ended, routed to the open connection (its callbacks carry no context).
    void notified(size_t utterance);

private:
    SPDConnection* m_connection = nullptr;
    Ended m_ended;
    // The connection's socket for interrupt(), from any thread; -1 before it is closed, so that a closed number
    // that the system gives to another socket is never shut down.
    std::mutex m_socketLock;
    int m_socket = -1;
};
