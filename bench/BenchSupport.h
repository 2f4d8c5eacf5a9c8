// What the event-loop benchmarks share: waiting in the loop, and the spread of a set of timings.
#pragma once

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace bench {

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

} // namespace bench
