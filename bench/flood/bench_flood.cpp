// Figures for a conversation's keystrokes while a flood of datagrams hits the talk daemon sharing its thread:
// the time from a key (a byte on a socket the event loop watches, as a window system's keys arrive) until its
// byte reaches the TCP peer, without a flood and during one of 100,000 datagrams. Loopback only, bounded in
// count and time.
//
// Keys take turns between three paths, so that the machine's load weighs on all alike: the conversation's own
// (ConversationEngine, which puts a typed key on the wire in the turn it was typed); the one the program took
// before, kept here as a yardstick: the key's byte written to the data socket, which sends it at its next write
// notification, a turn of the event loop later; and the floor: a bare forwarder on a thread of its own, without Qt,
// that the flood never reaches (poll, read, send), which is what crossing from the typist's thread to the peer's
// costs on this machine at least.
//
// One process: the daemon, a connected ConversationEngine and the yardstick's socket on the main thread, as in the
// program; the three peers (plain TCP sockets), the forwarder, the typist and the flood each on a thread of their
// own, so that they keep their pace whatever the main thread is doing.
#include "conversation/ConversationEngine.h"
#include "daemon/CTalkDaemon.h"
#include "platform/LoginName.h"
#include "platform/ProfileStore.h"
#include "platform/WireName.h"
#include "protocol/ControlMessage.h"

#include "BenchSupport.h"
#include "FakeAppContext.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using bench::loopback;

using Clock = std::chrono::steady_clock;

constexpr int FLOOD_DATAGRAMS = 100000;
constexpr int ROUNDS = 3;
constexpr int QUIET_KEYS = 300;
constexpr auto KEY_INTERVAL = std::chrono::milliseconds(1);
constexpr int PEER_WAIT_MS = 5000;        // how long the peer waits for a byte before it gives up
constexpr int FLOOD_KEYS_LIMIT = 20000;   // keys typed at most while the flood lasts
constexpr int WHOLE_RUN_LIMIT_MS = 60000; // the run ends by then whatever happens

// The typist's keys, by typing time; the bytes in at each path's peer, by arrival time. Key n goes by path
// n % PATHS, and is the (n / PATHS)-th byte its peer receives.
enum Path { ENGINE = 0, QUEUED = 1, FLOOR = 2, PATHS = 3 };
std::mutex g_lock;
std::vector<Clock::time_point> g_typed;
std::vector<Clock::time_point> g_arrived[PATHS];

// A path's peer: accepts one connection, drops the first `skip` bytes (a conversation's three edit characters), and
// timestamps every further byte until the connection goes quiet.
void runPeer(int listener, int skip, Path path, std::atomic<bool>& stop) {
    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0)
        return;
    int skipped = 0;
    char buffer[4096];
    while (!stop) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> hold(g_lock);
        for (ssize_t i = 0; i < n; ++i, ++skipped)
            if (skipped >= skip)
                g_arrived[path].push_back(now);
    }
    ::close(fd);
}

// A listening socket on the loopback, and its port (0 when it failed).
int listenOnLoopback(quint16& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in any = loopback(0);
    socklen_t length = sizeof any;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 || ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&any), &length) != 0) {
        ::close(fd);
        port = 0;
        return -1;
    }
    port = ntohs(any.sin_port);
    return fd;
}

// Types one key every KEY_INTERVAL: `count` keys, or until `until` turns true. Keys by the floor's path go to its
// own keyboard (`keyboards[1]`); the others to the main thread's (`keyboards[0]`).
void type(const int keyboards[2], int count, const std::atomic<bool>* until) {
    for (int i = 0; i < count && !(until && *until); ++i) {
        int keyboard = keyboards[0];
        {
            std::lock_guard<std::mutex> hold(g_lock);
            if (g_typed.size() % PATHS == FLOOR)
                keyboard = keyboards[1];
            g_typed.push_back(Clock::now());
        }
        const char key = 'k';
        if (::write(keyboard, &key, 1) != 1)
            return;
        std::this_thread::sleep_for(KEY_INTERVAL);
    }
}

// The floor's forwarder: every byte from its keyboard sent at once on its own connection to the peer.
void forward(int keyboard, quint16 peerPort, std::atomic<bool>& stop) {
    const int out = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = loopback(peerPort);
    const int one = 1;
    ::setsockopt(out, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(out, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::close(out);
        return;
    }
    char buffer[256];
    while (!stop) {
        pollfd p{keyboard, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::read(keyboard, buffer, sizeof buffer);
        if (n <= 0 || ::send(out, buffer, std::size_t(n), 0) != n)
            break;
    }
    ::close(out);
}

// ANNOUNCEs to the local user from distinct names and control addresses, as fast as the socket takes them: each one
// rings and is stored, the dearest request a stranger can send. Replies are never read.
void flood(quint16 daemonPort, std::atomic<bool>& done, double& seconds) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = loopback(daemonPort);
    std::array<std::uint8_t, 84> m{};
    m[0] = 1;
    m[1] = talk::ANNOUNCE;
    m[9] = 2;
    m[25] = 2;
    std::memcpy(&m[56], "bench", 5);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < FLOOD_DATAGRAMS; ++i) {
        std::snprintf(reinterpret_cast<char*>(&m[44]), 12, "f%d", i);
        m[26] = std::uint8_t(i >> 8); // the control address's port and host
        m[27] = std::uint8_t(i);
        m[31] = std::uint8_t(i >> 16);
        ::sendto(fd, m.data(), m.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(fd);
    done = true;
}

struct Figures {
    std::size_t keys = 0;
    std::size_t lost = 0;
    double medianUs = 0, p99Us = 0, maxUs = 0;
};

// The keys of one path among the given ranges of key numbers.
Figures figuresOf(const std::vector<std::pair<std::size_t, std::size_t>>& ranges, Path path) {
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<double> us;
    Figures f;
    for (const auto& [from, to] : ranges) {
        for (std::size_t i = from; i < to; ++i) {
            if (i % PATHS != std::size_t(path))
                continue;
            if (i / PATHS >= g_arrived[path].size()) {
                ++f.lost;
                continue;
            }
            us.push_back(std::chrono::duration<double, std::micro>(g_arrived[path][i / PATHS] - g_typed[i]).count());
        }
    }
    f.keys = us.size();
    const bench::Spread spread = bench::spreadOf(std::move(us));
    f.medianUs = spread.p50;
    f.p99Us = spread.p99;
    f.maxUs = spread.max;
    return f;
}

void print(const char* what, const char* path, const Figures& f) {
    std::printf("key to peer %s, %s: %zu keys, median %.0f us, p99 %.0f us, max %.0f us, lost %zu\n", what, path,
                f.keys, f.medianUs, f.p99Us, f.maxUs, f.lost);
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
        std::fprintf(stderr, "bench_flood: the daemon could not bind: %s\n", qPrintable(daemon.startError()));
        return 1;
    }
    // The conversation asks this same daemon, as its local and its remote one.
    core.setDaemonPort(daemon.localPort());
    core.setRemoteDaemonPort(daemon.localPort());

    // The peers listen; the conversation's has left its invitation for "bench" here, as a caller leaves it with its
    // daemon.
    quint16 ports[PATHS];
    const int listeners[PATHS] = {listenOnLoopback(ports[ENGINE]), listenOnLoopback(ports[QUEUED]),
                                  listenOnLoopback(ports[FLOOR])};
    if (listeners[ENGINE] < 0 || listeners[QUEUED] < 0 || listeners[FLOOR] < 0) {
        std::perror("bench_flood: peer socket");
        return 1;
    }
    talk::ControlMessage invite;
    invite.vers = talk::TALK_VERSION;
    invite.type = talk::LEAVE_INVITE;
    invite.addr = {2, ports[ENGINE], 0x7F000001, {}};
    invite.ctl_addr = {2, 40001, 0x7F000001, {}};
    invite.setLocalName("peer");
    invite.setRemoteName("bench");
    const auto bytes = invite.encode();
    daemon.handleDatagram(QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())), 0x7F000001,
                          40001);

    std::atomic<bool> stopPeers{false};
    std::thread peers[PATHS] = {std::thread(runPeer, listeners[ENGINE], 3, ENGINE, std::ref(stopPeers)),
                                std::thread(runPeer, listeners[QUEUED], 0, QUEUED, std::ref(stopPeers)),
                                std::thread(runPeer, listeners[FLOOR], 0, FLOOR, std::ref(stopPeers))};
    auto giveUp = [&](const QString& why) {
        std::fprintf(stderr, "bench_flood: %s\n", qPrintable(why));
        stopPeers = true;
        for (int p : {ENGINE, QUEUED, FLOOR}) {
            ::shutdown(listeners[p], SHUT_RDWR);
            peers[p].join();
        }
        return 1;
    };
    auto* engine = new ConversationEngine(core, ConversationEngine::Interactive, QStringLiteral("127.0.0.1"),
                                          WireName::typed(QStringLiteral("peer")));
    if (!engine->start() || !bench::waitFor([engine] { return engine->isConnected(); }, PEER_WAIT_MS))
        return giveUp(QStringLiteral("the conversation did not connect (%1)").arg(engine->status()));
    QTcpSocket queued;
    queued.connectToHost(QHostAddress::LocalHost, ports[QUEUED]);
    if (!bench::waitFor([&queued] { return queued.state() == QAbstractSocket::ConnectedState; }, PEER_WAIT_MS))
        return giveUp(QStringLiteral("the yardstick's socket did not connect"));

    // The keyboards: each byte on the first socket pair is one key for the local pane, or for the yardstick's
    // socket, by turns; each byte on the second is one for the floor's forwarder.
    int keyboard[2], floorKeyboard[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, keyboard) != 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM, 0, floorKeyboard) != 0)
        return giveUp(QStringLiteral("no keyboard"));
    const int typistKeyboards[2] = {keyboard[1], floorKeyboard[1]};
    std::thread forwarder(forward, floorKeyboard[0], ports[FLOOR], std::ref(stopPeers));
    qsizetype position = 0;
    std::size_t keyNumber = 0;
    QSocketNotifier keys(keyboard[0], QSocketNotifier::Read);
    QObject::connect(&keys, &QSocketNotifier::activated, engine, [&] {
        char buffer[256];
        const ssize_t n = ::read(keyboard[0], buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; ++i) {
            if (keyNumber++ % 2 == ENGINE)
                engine->SendTypedText(position++, QStringLiteral("x"));
            else
                queued.write("x", 1);
        }
    });
    QTimer::singleShot(WHOLE_RUN_LIMIT_MS, &app, [] { QCoreApplication::exit(2); });

    // Rounds of quiet typing, then typing while a flood lasts; the figures gather each kind over the rounds, so
    // that the machine's other load weighs on both alike.
    std::vector<std::pair<std::size_t, std::size_t>> quietKeys, floodKeys;
    std::vector<double> floodSeconds(ROUNDS, 0);
    auto settle = [] {
        // Every key typed has had its chance to arrive.
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(PEER_WAIT_MS);
        while (Clock::now() < end) {
            {
                std::lock_guard<std::mutex> hold(g_lock);
                if (g_arrived[ENGINE].size() + g_arrived[QUEUED].size() + g_arrived[FLOOR].size() >= g_typed.size())
                    return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    auto typedSoFar = [] {
        std::lock_guard<std::mutex> hold(g_lock);
        return g_typed.size();
    };
    double quietLongest = 0, floodLongest = 0;
    std::thread driver([&] {
        for (int round = 0; round < ROUNDS; ++round) {
            std::size_t from = typedSoFar();
            app.reset();
            type(typistKeyboards, QUIET_KEYS, nullptr);
            settle();
            quietLongest = std::max(quietLongest, app.longestUs());
            quietKeys.emplace_back(from, typedSoFar());
            from = typedSoFar();
            app.reset();
            std::atomic<bool> floodDone{false};
            std::thread sender(flood, daemon.localPort(), std::ref(floodDone), std::ref(floodSeconds[round]));
            type(typistKeyboards, FLOOD_KEYS_LIMIT, &floodDone);
            sender.join();
            settle();
            floodLongest = std::max(floodLongest, app.longestUs());
            floodKeys.emplace_back(from, typedSoFar());
        }
        QMetaObject::invokeMethod(
            &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
    const int rc = app.exec();
    driver.join();
    stopPeers = true;
    engine->EndConversation();
    queued.abort();
    forwarder.join();
    for (int p : {ENGINE, QUEUED, FLOOR}) {
        peers[p].join();
        ::close(listeners[p]);
    }

    std::sort(floodSeconds.begin(), floodSeconds.end());
    print("without a flood", "sent in the turn it was typed", figuresOf(quietKeys, ENGINE));
    print("without a flood", "sent at the next write notification", figuresOf(quietKeys, QUEUED));
    print("without a flood", "sent by a bare forwarder the flood never reaches", figuresOf(quietKeys, FLOOR));
    const Figures flooded = figuresOf(floodKeys, ENGINE);
    const Figures queuedFlooded = figuresOf(floodKeys, QUEUED);
    const QByteArray during = QStringLiteral("during a %1-datagram flood (%2 floods, each sent in about %3 ms)")
                                  .arg(FLOOD_DATAGRAMS)
                                  .arg(ROUNDS)
                                  .arg(floodSeconds[ROUNDS / 2] * 1000, 0, 'f', 0)
                                  .toLatin1();
    print(during.constData(), "sent in the turn it was typed", flooded);
    print(during.constData(), "sent at the next write notification", queuedFlooded);
    print(during.constData(), "sent by a bare forwarder the flood never reaches", figuresOf(floodKeys, FLOOR));
    std::printf("keystroke in a flood, sent in its turn against at the next write notification: median %.2f times,"
                " p99 %.2f times\n",
                flooded.medianUs / std::max(queuedFlooded.medianUs, 1.0),
                flooded.p99Us / std::max(queuedFlooded.p99Us, 1.0));
    std::printf("longest single event on the thread: %.0f us without a flood, %.0f us during the floods\n",
                quietLongest, floodLongest);
    return rc;
}
