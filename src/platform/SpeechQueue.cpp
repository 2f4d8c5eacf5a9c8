// The speech queue's worker and its budget (see SpeechQueue.h).
#include "platform/SpeechQueue.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

// What the owner's thread and the worker share. The worker holds it too, so that a worker left hanging in the
// service when the queue goes still has it.
struct SpeechQueue::Shared {
    Shared(std::unique_ptr<SpeechBackend> b, Timing t) : backend(std::move(b)), timing(t) {}

    const std::unique_ptr<SpeechBackend> backend;
    const Timing timing;

    std::mutex lock;
    std::condition_variable wake;
    std::map<quintptr, std::deque<QString>> waiting;
    quintptr lastServed = 0;

    // The utterance the worker has taken: being handed over (id -1) or being spoken.
    struct Current {
        quintptr owner = 0;
        int id = -1;
        Clock::time_point since;
        qsizetype characters = 0;
    };
    std::optional<Current> current;
    bool cancelCurrent = false;
    // The highest utterance number of this connection that has ended.
    int endedUpTo = -1;

    // Since when the worker is inside a call to the service, and whether that call was interrupted already.
    std::optional<Clock::time_point> callSince;
    bool interrupted = false;

    bool stop = false;
    bool finished = false;
};

SpeechQueue::SpeechQueue(std::unique_ptr<SpeechBackend> backend) : SpeechQueue(std::move(backend), Timing{}) {}

SpeechQueue::SpeechQueue(std::unique_ptr<SpeechBackend> backend, Timing timing)
    : m_shared(std::make_shared<Shared>(std::move(backend), timing)), m_worker(&SpeechQueue::run, m_shared) {}

SpeechQueue::~SpeechQueue() {
    Shared& s = *m_shared;
    std::unique_lock<std::mutex> hold(s.lock);
    s.stop = true;
    const bool inCall = s.callSince.has_value();
    hold.unlock();
    s.wake.notify_all();
    if (inCall)
        s.backend->interrupt();
    hold.lock();
    if (s.wake.wait_for(hold, s.timing.stopWait, [&s] { return s.finished; })) {
        hold.unlock();
        m_worker.join();
    } else {
        hold.unlock();
        m_worker.detach();
    }
}

bool SpeechQueue::say(quintptr owner, const QString& text) {
    bool taken = false;
    {
        const std::lock_guard<std::mutex> hold(m_shared->lock);
        std::deque<QString>& mine = m_shared->waiting[owner];
        taken = mine.size() < std::size_t(MAX_WAITING);
        if (taken)
            mine.push_back(text);
    }
    poke();
    return taken;
}

void SpeechQueue::cancel(quintptr owner) {
    {
        const std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->waiting.erase(owner);
        if (m_shared->current && m_shared->current->owner == owner)
            m_shared->cancelCurrent = true;
    }
    poke();
}

void SpeechQueue::poke() {
    Shared& s = *m_shared;
    bool overdue = false;
    {
        const std::lock_guard<std::mutex> hold(s.lock);
        if (s.callSince && !s.interrupted && Clock::now() - *s.callSince > s.timing.callLimit) {
            s.interrupted = true;
            overdue = true;
        }
    }
    s.wake.notify_all();
    // Never blocks: the backend only breaks the hanging call's connection.
    if (overdue)
        s.backend->interrupt();
}

namespace {

// Takes the next utterance, one conversation after another in turn; false when nothing waits.
template <typename Waiting> bool takeNext(Waiting& waiting, quintptr& lastServed, quintptr& owner, QString& text) {
    if (waiting.empty())
        return false;
    auto it = waiting.upper_bound(lastServed);
    if (it == waiting.end())
        it = waiting.begin();
    owner = it->first;
    text = std::move(it->second.front());
    it->second.pop_front();
    if (it->second.empty())
        waiting.erase(it);
    lastServed = owner;
    return true;
}

} // namespace

void SpeechQueue::run(std::shared_ptr<Shared> shared) {
    Shared& s = *shared;
    std::unique_lock<std::mutex> hold(s.lock);
    // Runs one call to the service without the lock, marked for the watchdog in poke().
    auto call = [&s, &hold](auto&& f) {
        s.callSince = Clock::now();
        s.interrupted = false;
        hold.unlock();
        const auto result = f();
        hold.lock();
        s.callSince.reset();
        return result;
    };
    SpeechBackend::Ended ended = [&s](int id) {
        {
            const std::lock_guard<std::mutex> held(s.lock);
            s.endedUpTo = std::max(s.endedUpTo, id);
        }
        s.wake.notify_all();
    };
    bool connected = false;
    bool proven = false; // something was handed over on this connection
    Clock::time_point retryAt{};
    std::chrono::milliseconds retryDelay = s.timing.retryFirst;
    auto closeBroken = [&] {
        call([&s] {
            s.backend->close();
            return true;
        });
        connected = false;
    };
    auto backOff = [&] {
        retryAt = Clock::now() + retryDelay;
        retryDelay = std::min(retryDelay * 2, s.timing.retryMax);
    };

    while (!s.stop) {
        if (s.current && s.current->id >= 0) {
            // Being spoken: wait for its end, a cancel, or its time to run out.
            const Clock::time_point deadline =
                s.current->since + s.timing.speakLimit + s.timing.speakPerCharacter * s.current->characters;
            s.wake.wait_until(hold, deadline,
                              [&s] { return s.stop || s.cancelCurrent || s.endedUpTo >= s.current->id; });
            if (s.stop)
                break;
            const bool done = s.endedUpTo >= s.current->id;
            s.current.reset();
            s.cancelCurrent = false;
            if (!done && !call([&s] { return s.backend->cancel(); }))
                closeBroken();
            continue;
        }
        quintptr owner = 0;
        QString text;
        if (!takeNext(s.waiting, s.lastServed, owner, text)) {
            s.wake.wait(hold, [&s] { return s.stop || !s.waiting.empty(); });
            continue;
        }
        if (!connected) {
            if (Clock::now() < retryAt)
                continue; // no service to be had for now: said nowhere
            connected = call([&] { return s.backend->open(ended); });
            if (!connected) {
                backOff();
                continue;
            }
            retryDelay = s.timing.retryFirst;
            s.endedUpTo = -1;
            proven = false;
        }
        s.current = Shared::Current{owner, -1, Clock::now(), text.size()};
        s.cancelCurrent = false;
        const int id = call([&] { return s.backend->say(text); });
        if (id >= 0) {
            proven = true;
            s.current->id = id;
            s.current->since = Clock::now();
            continue; // a cancel meanwhile is taken up while it is spoken
        }
        // The connection broke. One that served before (a restarted service) is opened again at once and the
        // utterance handed over once more; it goes first, unless its conversation was cancelled meanwhile.
        const bool cancelled = s.cancelCurrent;
        s.current.reset();
        s.cancelCurrent = false;
        const bool again = proven;
        closeBroken();
        if (again) {
            retryAt = {};
            if (!cancelled) {
                s.waiting[owner].push_front(text);
                s.lastServed = owner - 1; // its turn again, even at owner 0 (the turn wraps)
            }
        } else {
            backOff();
        }
    }
    if (s.current && s.current->id >= 0 && connected)
        call([&s] { return s.backend->cancel(); }); // the program ends: so does what it said
    if (connected)
        closeBroken();
    s.finished = true;
    hold.unlock();
    s.wake.notify_all();
}
