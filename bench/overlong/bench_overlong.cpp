// Figures for another host's LOOK_UPs while a host sends overlong datagrams to the talk daemon: each is a receipt
// error counted into the daemon's error box, which is up on the screen (offscreen here) the whole time, as nobody
// answers it. Beside them the same rates of plain LOOK_UPs, which cost a request each. Loopback only, bounded in
// count and time.
//
// One process: the daemon and its error box on the main thread, as in the program; the sender and the prober each on
// a thread of their own. The prober sends one LOOK_UP every PROBE_INTERVAL from a fresh socket and counts it
// answered when its reply comes within ANSWER_MS.
#include "daemon/CTalkDaemon.h"
#include "platform/CountedErrorBox.h"
#include "platform/LoginName.h"
#include "platform/ProfileStore.h"
#include "platform/gui/QtMessageBoxService.h"
#include "protocol/ControlMessage.h"

#include "BenchSupport.h"
#include "FakeAppContext.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using bench::loopback;

using Clock = std::chrono::steady_clock;

constexpr int PACED_RATE = 3000; // datagrams a second, about 5 Mbit/s of 200-byte datagrams
constexpr auto PACED_TIME = std::chrono::seconds(5);
constexpr int FLOOD_DATAGRAMS = 100000; // then as fast as the socket takes them, FLOOD_ROUNDS times each
constexpr int FLOOD_ROUNDS = 3;
constexpr int OVERLONG_SIZE = 200;
constexpr auto PROBE_INTERVAL = std::chrono::milliseconds(5);
constexpr int ANSWER_MS = 1000;
constexpr int QUIET_PROBES = 200;
constexpr auto WHOLE_RUN_LIMIT = std::chrono::seconds(120); // the run ends by then whatever happens

// The message boxes of the program, counting how often a shown box's text is replaced.
class CountingBoxes final : public MessageBoxService {
public:
    int ask(const Request& r) override { return m_boxes.ask(r); }
    int notify(const Request& r, std::function<void(int)> done) override { return m_boxes.notify(r, std::move(done)); }
    void replaceText(int box, const QString& text) override {
        ++replacements;
        m_boxes.replaceText(box, text);
    }
    bool chooseFont(LogFont& f, quint32& c, QObject* o) override { return m_boxes.chooseFont(f, c, o); }
    bool chooseColour(quint32& c, QObject* o) override { return m_boxes.chooseColour(c, o); }
    bool chooseOpenFile(QString& p, const QString& t, const QString& f, const QString& s, QObject* o) override {
        return m_boxes.chooseOpenFile(p, t, f, s, o);
    }
    std::atomic<int> replacements{0};

private:
    QtMessageBoxService m_boxes;
};

std::vector<std::uint8_t> lookUp(quint16 port) {
    talk::ControlMessage m;
    m.vers = talk::TALK_VERSION;
    m.type = talk::LOOK_UP;
    m.addr = m.ctl_addr = {talk::AF_INET_WIRE, port, 0x7F000001, {}};
    m.setLocalName("prober");
    m.setRemoteName("bench");
    const auto bytes = m.encode();
    return {bytes.begin(), bytes.end()};
}

// Sends `count` datagrams of one kind: paced at `rate` a second, or as fast as the socket takes them (rate 0).
void send(quint16 daemonPort, bool overlong, int count, int rate) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = loopback(daemonPort);
    std::vector<std::uint8_t> d = overlong ? std::vector<std::uint8_t>(OVERLONG_SIZE, 1) : lookUp(40000);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (rate > 0 && i % (rate / 1000) == 0)
            std::this_thread::sleep_until(start + std::chrono::microseconds(std::int64_t(i) * 1000000 / rate));
        ::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    ::close(fd);
}

struct Probes {
    int sent = 0, answered = 0;
    std::vector<double> us;
    double seconds = 0;
    int replacements = 0;

    void add(const Probes& other) {
        sent += other.sent;
        answered += other.answered;
        us.insert(us.end(), other.us.begin(), other.us.end());
        seconds += other.seconds;
        replacements += other.replacements;
    }
};

// Probes every PROBE_INTERVAL while `running` holds, at least `least` of them, each from a fresh socket; each one
// is answered when its reply comes within ANSWER_MS.
Probes probe(quint16 daemonPort, const std::atomic<bool>& running, int least) {
    struct Out {
        int fd;
        Clock::time_point sent;
    };
    std::vector<Out> out;
    Probes p;
    const sockaddr_in to = loopback(daemonPort);
    Clock::time_point next = Clock::now();
    while (running || p.sent < least || !out.empty()) {
        const Clock::time_point now = Clock::now();
        if ((running || p.sent < least) && now >= next) {
            const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
            sockaddr_in self = loopback(0);
            socklen_t length = sizeof self;
            ::bind(fd, reinterpret_cast<const sockaddr*>(&self), sizeof self);
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&self), &length);
            const std::vector<std::uint8_t> d = lookUp(ntohs(self.sin_port));
            ::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
            out.push_back({fd, Clock::now()});
            ++p.sent;
            next += PROBE_INTERVAL;
        }
        std::vector<pollfd> polls;
        for (const Out& o : out)
            polls.push_back({o.fd, POLLIN, 0});
        ::poll(polls.data(), polls.size(), 1);
        for (std::size_t i = out.size(); i-- > 0;) {
            const double waited = std::chrono::duration<double, std::micro>(Clock::now() - out[i].sent).count();
            char reply[128];
            const bool came = (polls[i].revents & POLLIN) && ::recv(out[i].fd, reply, sizeof reply, 0) > 0;
            if (came && waited <= ANSWER_MS * 1000.0) {
                ++p.answered;
                p.us.push_back(waited);
            }
            if (came || waited > ANSWER_MS * 1000.0) {
                ::close(out[i].fd);
                out.erase(out.begin() + std::ptrdiff_t(i));
            }
        }
    }
    return p;
}

void print(const char* what, const Probes& p) {
    const bench::Spread us = bench::spreadOf(p.us);
    std::printf("LOOK_UPs %s: %d probes, answered within %d ms %.1f%%, p50 %.0f us, p99 %.0f us, max %.0f us; "
                "%.1f box text updates a second (%.1f s)\n",
                what, p.sent, ANSWER_MS, p.sent > 0 ? 100.0 * p.answered / p.sent : 0.0, us.p50, us.p99, us.max,
                p.seconds > 0 ? p.replacements / p.seconds : 0.0, p.seconds);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    ProfileStore store(dir.filePath(QStringLiteral("ZUNO.conf")));
    LoginName::setRawOverride(QStringLiteral("bench"));
    FakeAppContext core(store);
    core.setDaemonPort(0);
    CountingBoxes boxes;
    MessageBoxService::setInstance(&boxes);
    CountedErrorBox errors(MessageBoxService::Icon::Stop);
    CTalkDaemon daemon(core);
    if (!daemon.start()) {
        std::fprintf(stderr, "bench_overlong: the daemon could not bind: %s\n", qPrintable(daemon.startError()));
        return 1;
    }
    QObject::connect(&daemon, &CTalkDaemon::errorOccurred, &errors, &CountedErrorBox::report);
    const quint16 port = daemon.localPort();

    // Each phase: a sender (none for the quiet one) and the prober, side by side.
    auto phase = [port, &boxes](bool overlong, int count, int rate) {
        const int before = boxes.replacements;
        std::atomic<bool> running{count > 0};
        const Clock::time_point start = Clock::now();
        std::thread sender([&] {
            if (count > 0)
                send(port, overlong, count, rate);
            running = false;
        });
        Probes p = probe(port, running, count > 0 ? 20 : QUIET_PROBES);
        sender.join();
        p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        p.replacements = boxes.replacements - before;
        return p;
    };
    const int paced = int(PACED_RATE * std::chrono::duration_cast<std::chrono::seconds>(PACED_TIME).count());
    std::thread driver([&] {
        print("alone", phase(false, 0, 0));
        print("among 3,000 LOOK_UPs/s", phase(false, paced, PACED_RATE));
        print("among 3,000 overlong datagrams/s", phase(true, paced, PACED_RATE));
        // Floods in turns, so that the machine's other load weighs on both kinds alike.
        Probes lookUps, overlongs;
        for (int round = 0; round < FLOOD_ROUNDS; ++round) {
            lookUps.add(phase(false, FLOOD_DATAGRAMS, 0));
            overlongs.add(phase(true, FLOOD_DATAGRAMS, 0));
        }
        print("in floods of 100,000 LOOK_UPs", lookUps);
        print("in floods of 100,000 overlong datagrams", overlongs);
        QMetaObject::invokeMethod(
            &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(WHOLE_RUN_LIMIT), &app,
                       [] { QCoreApplication::exit(2); });
    const int rc = app.exec();
    driver.join();
    std::printf("overlong datagrams counted into the box: %lld\n", static_cast<long long>(errors.countedSince()));
    MessageBoxService::setInstance(nullptr);
    return rc;
}
