// The utterances of every conversation on their way to the speech service, spoken by a worker thread of their own.
//
// The speech service is outside the program and may hang (a stopped output module, a stopped server): nothing the
// owner's thread does here ever waits for it. say() and cancel() only touch the queue, under a lock that no call
// to the service is made under; the worker hands the service one utterance at a time and waits for its end before
// the next, so what waits stays here, in the order it came, where a conversation's lines can still be dropped.
//
// Each conversation (its owner number) has a budget of MAX_WAITING utterances waiting; beyond it its new ones are
// dropped, so a chatty peer cannot keep the service busy for long, and never at another conversation's cost:
// conversations take turns, one utterance each. cancel() drops a conversation's waiting utterances and stops the
// one being spoken when it is that conversation's.
//
// A broken connection (the service restarted) is opened again at once and its utterance handed over again, once.
// A service that cannot be reached is tried again after a back-off that doubles up to Timing::retryMax, and what
// comes meanwhile is dropped. A call that hangs longer than Timing::callLimit is interrupted at the next say() or
// cancel(), which then finds the connection broken; an utterance whose end does not come within
// Timing::speakLimit (plus speakPerCharacter for each character) is cancelled.
#pragma once

#include "platform/SpeechBackend.h"

#include <QString>

#include <chrono>
#include <memory>
#include <thread>

class SpeechQueue {
public:
    static constexpr int MAX_WAITING = 8;

    struct Timing {
        std::chrono::milliseconds callLimit{5000};
        std::chrono::milliseconds speakLimit{5000};
        std::chrono::milliseconds speakPerCharacter{150};
        std::chrono::milliseconds retryFirst{1000};
        std::chrono::milliseconds retryMax{60000};
        // How long the destructor waits for the worker; a worker still hanging in the service is left to end
        // with the process.
        std::chrono::milliseconds stopWait{1000};
    };

    // Starts the worker; the backend is opened when the first utterance comes.
    explicit SpeechQueue(std::unique_ptr<SpeechBackend> backend);
    SpeechQueue(std::unique_ptr<SpeechBackend> backend, Timing timing);
    ~SpeechQueue();
    SpeechQueue(const SpeechQueue&) = delete;
    SpeechQueue& operator=(const SpeechQueue&) = delete;

    // Queues an utterance of conversation `owner` behind what waits; false when it was dropped, over the budget.
    bool say(quintptr owner, const QString& text);
    // Drops what `owner` has waiting and stops what is being said for it.
    void cancel(quintptr owner);

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);
    // After a change of the queue: wakes the worker, and interrupts a call to the service that is overdue.
    void poke();

    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
};
