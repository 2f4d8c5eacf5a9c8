// The local time as eight fields, and the clock the program reads it from (replaceable in tests).
#pragma once

#include <QDateTime>

#include <cstdint>
#include <functional>

struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;     // 1-12
    std::uint16_t dayOfWeek = 0; // 0 = Sunday
    std::uint16_t day = 0;       // 1-31
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;

    bool operator==(const SystemTime&) const = default;

    static SystemTime fromDateTime(const QDateTime& dt);
};

namespace LocalClock {
// The current local time.
SystemTime now();
// Tests install their own clock; an empty function restores the real one.
void setSource(std::function<QDateTime()> source);
} // namespace LocalClock
