// A steady clock in milliseconds that tests can replace, one per class that times what the user does.
#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>

class MillisecondClock {
public:
    qint64 now() const {
        if (m_source)
            return m_source();
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    // An empty function restores the real clock.
    void set(std::function<qint64()> source) { m_source = std::move(source); }

private:
    std::function<qint64()> m_source;
};
