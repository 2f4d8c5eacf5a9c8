// What the event-loop benchmarks share: waiting in the loop, timing its events, and the spread of a set of timings.
#pragma once

#include <QCoreApplication>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

namespace bench {

// Port `port` of 127.0.0.1, for the system's own socket calls.
inline sockaddr_in loopback(quint16 port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// The median, the 99th percentile and the maximum of a set of timings (all 0 for none).
struct Spread {
    double p50 = 0, p99 = 0, max = 0;
};

inline Spread spreadOf(std::vector<double> values) {
    Spread s;
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    s.p50 = values[values.size() / 2];
    s.p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
    s.max = values.back();
    return s;
}

// Runs the event loop until `condition` holds or `ms` have passed; whether it holds.
inline bool waitFor(const std::function<bool()>& condition, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Times every event the loop delivers: the longest one is the longest stretch a single handler (the daemon's batch,
// a conversation's turn of reading) kept the thread from everything else. Beside the wall clock, the thread's CPU
// time: what the handler itself cost, without the time the machine's other load took the processor from it.
class TimedApplication : public QCoreApplication {
public:
    using Clock = std::chrono::steady_clock;
    using QCoreApplication::QCoreApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (m_depth++ > 0) {
            const bool handled = QCoreApplication::notify(receiver, event);
            --m_depth;
            return handled;
        }
        const Clock::time_point start = Clock::now();
        const std::int64_t cpuStart = threadCpuNs();
        const bool handled = QCoreApplication::notify(receiver, event);
        const Clock::rep took = (Clock::now() - start).count();
        const std::int64_t cpu = threadCpuNs() - cpuStart;
        // Only this thread writes; a driver thread reads and resets them between phases.
        if (took > longest.load())
            longest = took;
        if (cpu > longestCpuNs.load())
            longestCpuNs = cpu;
        --m_depth;
        return handled;
    }
    // The longest event since the last reset, in microseconds: by the wall clock, and by the thread's CPU time.
    double longestUs() const {
        return std::chrono::duration<double, std::micro>(Clock::duration(longest.load())).count();
    }
    double longestCpuUs() const { return double(longestCpuNs.load()) / 1e3; }
    void reset() {
        longest = 0;
        longestCpuNs = 0;
    }
    std::atomic<Clock::rep> longest{0};
    std::atomic<std::int64_t> longestCpuNs{0};

private:
    static std::int64_t threadCpuNs() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
    }
    int m_depth = 0;
};

} // namespace bench
