// The exit handler behind AbruptExit.
#include "platform/AbruptExit.h"

#include <cstdlib>
#include <utility>

namespace {

// The instance that exit() would run now (the handler has no other way to reach it).
AbruptExit* armed = nullptr;
bool registered = false;

} // namespace

AbruptExit::AbruptExit(std::function<void()> last) : m_last(std::move(last)) {
    if (!registered)
        registered = std::atexit(&AbruptExit::run) == 0;
    armed = this;
}

AbruptExit::~AbruptExit() {
    if (armed == this)
        armed = nullptr;
}

void AbruptExit::run() {
    // Once: the function itself may meet the same failure and call exit() again.
    AbruptExit* last = std::exchange(armed, nullptr);
    if (last && last->m_last)
        last->m_last();
}
