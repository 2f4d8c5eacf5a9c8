// The termination signals through a self-pipe.
#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> SIGNALS = {SIGTERM, SIGHUP, SIGINT};

// The pipe's writing end, for the handler (which can reach nothing else).
volatile sig_atomic_t writeEnd = -1;

void handle(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (writeEnd >= 0) {
        // A full pipe already holds a signal to act on.
        const ssize_t written = ::write(writeEnd, &byte, 1);
        static_cast<void>(written);
    }
    errno = saved;
}

} // namespace

struct TerminationSignals::Handlers {
    int pipe[2] = {-1, -1};
    QSocketNotifier* notifier = nullptr;
    std::array<struct sigaction, SIGNALS.size()> previous{};
};

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent), m_handlers(std::make_unique<Handlers>()) {
    Handlers& h = *m_handlers;
    if (::pipe2(h.pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = h.pipe[1];
    h.notifier = new QSocketNotifier(h.pipe[0], QSocketNotifier::Read, this);
    connect(h.notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char bytes[16];
        ssize_t n;
        while ((n = ::read(m_handlers->pipe[0], bytes, sizeof bytes)) > 0)
            for (ssize_t i = 0; i < n; ++i)
                emit received(bytes[i]);
    });
    struct sigaction action {};
    action.sa_handler = &handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < SIGNALS.size(); ++i)
        sigaction(SIGNALS[i], &action, &h.previous[i]);
}

TerminationSignals::~TerminationSignals() {
    Handlers& h = *m_handlers;
    if (h.pipe[0] < 0)
        return;
    for (std::size_t i = 0; i < SIGNALS.size(); ++i)
        sigaction(SIGNALS[i], &h.previous[i], nullptr);
    writeEnd = -1;
    delete h.notifier;
    ::close(h.pipe[0]);
    ::close(h.pipe[1]);
}
