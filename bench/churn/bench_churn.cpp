// Figures for the talk daemon's probe round trip while robot conversations sharing its thread take all a caller
// can send: eight callers from one host each type 600 K characters into a robot conversation and then churn "x",
// erase pairs (the text stays as long, the stream never ends) as fast as the loopback takes them. Loopback only,
// bounded in count and time. Beside it, the longest single event of the thread: how long one handler (a
// conversation's turn of reading, the daemon's batch) kept the thread from everything else.
//
// One process: the daemon and the eight robot ConversationEngines on the main thread, as in the program; the
// callers and the prober each on a thread of their own, so that they keep their pace whatever the main thread
// is doing. A probe (LOOK_UP with the probe id) that has no answer after LOST_MS counts as lost.
#include "conversation/ConversationEngine.h"
#include "daemon/CTalkDaemon.h"
#include "platform/LoginName.h"
#include "platform/ProfileStore.h"
#include "platform/WireName.h"
#include "protocol/ControlMessage.h"

#include "BenchSupport.h"
#include "FakeAppContext.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::loopback;

using Clock = std::chrono::steady_clock;

constexpr int CALLERS = 8;
constexpr qsizetype TEXT_CHARACTERS = 600 * 1000; // typed first: past half of the robot's text limit
constexpr int QUIET_PROBES = 300;
constexpr auto PROBE_INTERVAL = std::chrono::milliseconds(10);
constexpr auto CHURN_TIME = std::chrono::seconds(10); // x, erase pairs, counted from the last caller's start
constexpr int LOST_MS = 5000;
constexpr int CONNECT_WAIT_MS = 10000;
constexpr auto WHOLE_RUN_LIMIT = std::chrono::seconds(150); // the run ends by then whatever happens

// One caller's side of its TCP connection: sends `bytes` (reading away what the robot sends meanwhile); false
// when `stop` turned true or the connection ended first.
bool sendAll(int fd, const QByteArray& bytes, const std::atomic<bool>& stop) {
    qsizetype at = 0;
    char sink[4096];
    while (at < bytes.size()) {
        if (stop)
            return false;
        pollfd p{fd, POLLIN | POLLOUT, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        if ((p.revents & POLLIN) && ::recv(fd, sink, sizeof sink, MSG_DONTWAIT) == 0)
            return false;
        if (p.revents & (POLLERR | POLLHUP))
            return false;
        if (p.revents & POLLOUT) {
            const ssize_t n =
                ::send(fd, bytes.constData() + at, size_t(bytes.size() - at), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0)
                at += n;
        }
    }
    return true;
}

struct Caller {
    int listener = -1;
    quint16 port = 0;
    std::atomic<bool> churning{false}; // the text is in: x, erase pairs from now on
    std::atomic<bool> ended{false};
};

// Accepts the robot's connection, types the edit characters and the text, then churns until `stop`.
void runCaller(Caller& caller, const std::atomic<bool>& start, const std::atomic<bool>& stop) {
    const int fd = ::accept(caller.listener, nullptr, nullptr);
    if (fd < 0) {
        caller.ended = true;
        return;
    }
    while (!start && !stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    QByteArray text("\x08\x15\x17");
    const QByteArray line = QByteArray(79, 'a') + '\n';
    while (text.size() < 3 + TEXT_CHARACTERS)
        text += line;
    text.truncate(3 + TEXT_CHARACTERS);
    const QByteArray churn = QByteArray("x\x08").repeated(32 * 1024);
    if (sendAll(fd, text, stop)) {
        caller.churning = true;
        while (sendAll(fd, churn, stop)) {
        }
    }
    ::close(fd);
    caller.ended = true;
}

// One probe from a fresh socket (a late answer to a lost probe is never taken for the next one's): its round trip
// in microseconds, or a negative number when it went unanswered.
double probeOnce(quint16 daemonPort) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in self = loopback(0);
    socklen_t length = sizeof self;
    ::bind(fd, reinterpret_cast<const sockaddr*>(&self), sizeof self);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&self), &length);
    talk::ControlMessage probe;
    probe.vers = talk::TALK_VERSION;
    probe.type = talk::LOOK_UP;
    probe.id_num = talk::PROBE_ID_REQUEST;
    probe.addr = probe.ctl_addr = {talk::AF_INET_WIRE, ntohs(self.sin_port), 0x7F000001, {}};
    probe.setLocalName("prober");
    const auto bytes = probe.encode();
    const sockaddr_in to = loopback(daemonPort);
    const Clock::time_point sent = Clock::now();
    ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    double us = -1;
    pollfd p{fd, POLLIN, 0};
    char reply[128];
    if (::poll(&p, 1, LOST_MS) > 0 && ::recv(fd, reply, sizeof reply, 0) > 0)
        us = std::chrono::duration<double, std::micro>(Clock::now() - sent).count();
    ::close(fd);
    return us;
}

struct Figures {
    std::size_t probes = 0, lost = 0;
    double p50Us = 0, p99Us = 0, maxUs = 0;
};

Figures figuresOf(std::vector<double> us) {
    Figures f;
    f.probes = us.size();
    f.lost = std::size_t(std::count_if(us.begin(), us.end(), [](double v) { return v < 0; }));
    us.erase(std::remove_if(us.begin(), us.end(), [](double v) { return v < 0; }), us.end());
    const bench::Spread spread = bench::spreadOf(std::move(us));
    f.p50Us = spread.p50;
    f.p99Us = spread.p99;
    f.maxUs = spread.max;
    return f;
}

} // namespace

int main(int argc, char** argv) {
    bench::TimedApplication app(argc, argv);
    QTemporaryDir dir;
    ProfileStore store(dir.filePath(QStringLiteral("ZUNO.conf")));
    LoginName::setRawOverride(QStringLiteral("bench"));
    FakeAppContext core(store);
    core.setDaemonPort(0);
    CTalkDaemon daemon(core);
    if (!daemon.start()) {
        std::fprintf(stderr, "bench_churn: the daemon could not bind: %s\n", qPrintable(daemon.startError()));
        return 1;
    }
    // The robots ask this same daemon, as their local and their remote one.
    core.setDaemonPort(daemon.localPort());
    core.setRemoteDaemonPort(daemon.localPort());

    // Each caller listens and has left its invitation for "bench" here, as a caller leaves it with its daemon.
    std::vector<Caller> callers(CALLERS);
    for (int i = 0; i < CALLERS; ++i) {
        Caller& c = callers[std::size_t(i)];
        c.listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in any = loopback(0);
        socklen_t length = sizeof any;
        if (::bind(c.listener, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 || ::listen(c.listener, 1) != 0 ||
            ::getsockname(c.listener, reinterpret_cast<sockaddr*>(&any), &length) != 0) {
            std::perror("bench_churn: caller socket");
            return 1;
        }
        c.port = ntohs(any.sin_port);
        talk::ControlMessage invite;
        invite.vers = talk::TALK_VERSION;
        invite.type = talk::LEAVE_INVITE;
        invite.addr = {talk::AF_INET_WIRE, c.port, 0x7F000001, {}};
        invite.ctl_addr = {talk::AF_INET_WIRE, quint16(40001 + i), 0x7F000001, {}};
        invite.setLocalName("caller" + std::to_string(i));
        invite.setRemoteName("bench");
        const auto bytes = invite.encode();
        daemon.handleDatagram(QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())), 0x7F000001,
                              quint16(40001 + i));
    }

    std::atomic<bool> start{false}, stop{false};
    std::vector<std::thread> threads;
    for (Caller& c : callers)
        threads.emplace_back(runCaller, std::ref(c), std::cref(start), std::cref(stop));
    std::vector<QPointer<ConversationEngine>> robots;
    for (int i = 0; i < CALLERS; ++i) {
        auto* robot = new ConversationEngine(core, ConversationEngine::Robot, QStringLiteral("127.0.0.1"),
                                             WireName::typed(QStringLiteral("caller%1").arg(i)));
        robots.emplace_back(robot);
        robot->start();
    }
    auto allConnected = [&robots] {
        return std::all_of(robots.begin(), robots.end(), [](const auto& r) { return r && r->isConnected(); });
    };
    if (!bench::waitFor(allConnected, CONNECT_WAIT_MS)) {
        std::fprintf(stderr, "bench_churn: the robot conversations did not connect\n");
        stop = true;
        for (Caller& c : callers)
            ::shutdown(c.listener, SHUT_RDWR);
        for (std::thread& t : threads)
            t.join();
        return 1;
    }

    // Probes without churn, then while the callers type and churn; each kind gathers its round trips.
    std::vector<double> quiet, churned;
    double churnSeconds = 0, quietLongest = 0, churnLongest = 0, quietCpu = 0, churnCpu = 0;
    std::thread driver([&] {
        app.reset();
        for (int i = 0; i < QUIET_PROBES; ++i) {
            quiet.push_back(probeOnce(daemon.localPort()));
            std::this_thread::sleep_for(PROBE_INTERVAL);
        }
        quietLongest = app.longestUs();
        quietCpu = app.longestCpuUs();
        app.reset();
        const Clock::time_point began = Clock::now();
        start = true;
        auto allChurning = [&callers] {
            return std::all_of(callers.begin(), callers.end(), [](const Caller& c) { return c.churning.load(); });
        };
        std::optional<Clock::time_point> churnSince;
        while (Clock::now() - began < WHOLE_RUN_LIMIT - std::chrono::seconds(20)) {
            if (!churnSince && allChurning())
                churnSince = Clock::now();
            if (churnSince && Clock::now() - *churnSince >= CHURN_TIME)
                break;
            churned.push_back(probeOnce(daemon.localPort()));
            std::this_thread::sleep_for(PROBE_INTERVAL);
        }
        churnSeconds = std::chrono::duration<double>(Clock::now() - began).count();
        churnLongest = app.longestUs();
        churnCpu = app.longestCpuUs();
        stop = true;
        QMetaObject::invokeMethod(
            &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(WHOLE_RUN_LIMIT), &app,
                       [] { QCoreApplication::exit(2); });
    const int rc = app.exec();
    driver.join();
    for (std::thread& t : threads)
        t.join();
    int churnedThrough = 0;
    for (const Caller& c : callers) {
        churnedThrough += c.churning ? 1 : 0;
        ::close(c.listener);
    }
    // The callers have hung up: the robots file what they have and end.
    bench::waitFor([&robots] { return std::all_of(robots.begin(), robots.end(), [](const auto& r) { return !r; }); },
                   CONNECT_WAIT_MS);

    const Figures q = figuresOf(quiet);
    const Figures c = figuresOf(churned);
    std::printf("probe round trip without churn: %zu probes, p50 %.0f us, p99 %.0f us, max %.0f us, lost %zu\n",
                q.probes, q.p50Us, q.p99Us, q.maxUs, q.lost);
    std::printf("probe round trip with %d churning robot callers (%lld characters, then x BS pairs; %d of %d reached"
                " the pairs; %.1f s): %zu probes, p50 %.0f us, p99 %.0f us, max %.0f us, lost %zu\n",
                CALLERS, static_cast<long long>(TEXT_CHARACTERS), churnedThrough, CALLERS, churnSeconds, c.probes,
                c.p50Us, c.p99Us, c.maxUs, c.lost);
    std::printf("longest single event on the thread: %.0f us without churn, %.0f us with it (CPU time %.0f us and"
                " %.0f us)\n",
                quietLongest, churnLongest, quietCpu, churnCpu);
    return rc;
}
