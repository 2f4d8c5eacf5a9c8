// The desktop's speech service as SpeechQueue drives it: one connection, one utterance at a time.
//
// Every call but interrupt() is made on SpeechQueue's worker thread and may block as long as the service makes it
// (a stopped service makes it block for good): nothing that waits for the user's windows or the daemon calls them.
// Each system has its own implementation (speech-dispatcher on Linux), chosen by the build.
#pragma once

#include <QString>

#include <functional>

class SpeechBackend {
public:
    // An utterance of this connection was spoken to its end or cancelled; its number, as say() gave it. Called on
    // any thread, also while say() or cancel() is still running.
    using Ended = std::function<void(int utterance)>;

    virtual ~SpeechBackend() = default;

    // Opens the connection; false when no speech service can be reached. `ended` serves until close().
    virtual bool open(Ended ended) = 0;
    // Hands one utterance to the service to be spoken after what it is saying; the utterance's number (numbers
    // grow within a connection), or -1 when the connection broke.
    virtual int say(const QString& text) = 0;
    // Stops what this connection is saying and drops what it handed over; false when the connection broke.
    virtual bool cancel() = 0;
    // Closes the connection (also a broken one); nothing is said on it afterwards.
    virtual void close() = 0;
    // From any thread, without blocking: a call that hangs in the service returns as failed, as over a broken
    // connection. May do nothing where the system gives no such way (a call still opening the connection).
    virtual void interrupt() = 0;
};
