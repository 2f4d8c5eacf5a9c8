// Local time in eight fields.
#include "platform/SystemTime.h"

SystemTime SystemTime::fromDateTime(const QDateTime& dt) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    SystemTime s;
    s.year = static_cast<std::uint16_t>(d.year());
    s.month = static_cast<std::uint16_t>(d.month());
    s.dayOfWeek = static_cast<std::uint16_t>(d.dayOfWeek() % 7);
    s.day = static_cast<std::uint16_t>(d.day());
    s.hour = static_cast<std::uint16_t>(t.hour());
    s.minute = static_cast<std::uint16_t>(t.minute());
    s.second = static_cast<std::uint16_t>(t.second());
    s.milliseconds = static_cast<std::uint16_t>(t.msec());
    return s;
}

namespace {
std::function<QDateTime()>& source() {
    static std::function<QDateTime()> f;
    return f;
}
} // namespace

namespace LocalClock {
SystemTime now() {
    return SystemTime::fromDateTime(source() ? source()() : QDateTime::currentDateTime());
}
void setSource(std::function<QDateTime()> s) {
    source() = std::move(s);
}
} // namespace LocalClock
