// The exit handler behind AbruptExit.
#include "platform/AbruptExit.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// The instance that exit() would run now (the handlers have no other way to reach it).
AbruptExit* armed = nullptr;
bool registered = false;
QtMessageHandler previousHandler = nullptr;

// What Qt's X11 platform says just before it calls exit(1) on a broken connection.
constexpr char DISPLAY_LOST[] = "The X11 connection broke";

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (previousHandler)
        previousHandler(type, context, message);
    if (!armed || !message.startsWith(QLatin1String(DISPLAY_LOST)))
        return;
    // Everything is still in place here; once exit() runs, the function-local statics made after the exit handler was
    // registered would already be gone. The end is taken now, and the exit Qt is about to make is not waited for.
    AbruptExit::runNow();
    std::fflush(nullptr);
    std::_Exit(1);
}

} // namespace

AbruptExit::AbruptExit(std::function<void()> last) : m_last(std::move(last)) {
    if (!registered)
        registered = std::atexit(&AbruptExit::runNow) == 0;
    armed = this;
    previousHandler = qInstallMessageHandler(&onMessage);
}

AbruptExit::~AbruptExit() {
    if (armed != this)
        return;
    armed = nullptr;
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
}

void AbruptExit::runNow() {
    // Once: the function itself may meet the same failure and call exit() again.
    AbruptExit* last = std::exchange(armed, nullptr);
    if (last && last->m_last)
        last->m_last();
}
