// Load generator for a talk daemon: a mix of control requests with a bounded number in flight, from source
// ports above 1024; prints replies per second and the latency percentiles.
//
//   daemon-load --port N [--host 127.0.0.1] [--seconds S] [--inflight K] [--rate R] [--prefill N] [--leave N]
//               [--batched 1]
//
// The mix, per slot in turn: LOOK_UP misses, probes (LOOK_UP with PROBE_ID), LEAVE_INVITE followed by the DELETE
// of the id it was given, and malformed requests (bad version, unknown type). Every datagram is 84 bytes, so a
// Unix daemon answers each. --rate paces the sends (requests per second, 0 = as fast as the slots allow);
// --prefill leaves N invitations from distinct control addresses first and keeps them; --leave only sends N
// LEAVE_INVITEs from distinct control addresses and ends.
//
// --batched 1 measures throughput only, with a generator that costs less than the daemon it loads: K requests in
// flight on one socket, every batch of replies read with one recvmmsg and answered by as many new requests with one
// sendmmsg. One socket cannot tell which reply answers which request, so there are no latencies (printed as 0), and
// the mix has no LEAVE_INVITE (its DELETE needs the reply's id): LOOK_UP misses, probes and malformed requests.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int REPLY_TIMEOUT_MS = 200;

struct Options {
    std::string host = "127.0.0.1";
    int port = 518;
    double seconds = 5;
    int inflight = 16;
    double rate = 0;
    long prefill = 0;
    long leave = 0;
    bool batched = false;
};

std::array<std::uint8_t, 84> message(std::uint8_t vers, std::uint8_t type, std::uint32_t id, std::uint32_t ctlIp,
                                     std::uint16_t ctlPort, const char* l, const char* r) {
    std::array<std::uint8_t, 84> m{};
    m[0] = vers;
    m[1] = type;
    m[4] = std::uint8_t(id >> 24);
    m[5] = std::uint8_t(id >> 16);
    m[6] = std::uint8_t(id >> 8);
    m[7] = std::uint8_t(id);
    m[9] = 2; // addr: family 2, port 40000, 127.0.0.1
    m[10] = 0x9c;
    m[11] = 0x40;
    m[12] = 127;
    m[15] = 1;
    m[25] = 2; // ctl_addr
    m[26] = std::uint8_t(ctlPort >> 8);
    m[27] = std::uint8_t(ctlPort);
    m[28] = std::uint8_t(ctlIp >> 24);
    m[29] = std::uint8_t(ctlIp >> 16);
    m[30] = std::uint8_t(ctlIp >> 8);
    m[31] = std::uint8_t(ctlIp);
    std::strncpy(reinterpret_cast<char*>(&m[44]), l, 12);
    std::strncpy(reinterpret_cast<char*>(&m[56]), r, 12);
    return m;
}

struct Slot {
    int fd = -1;
    std::uint16_t port = 0;
    bool busy = false;
    Clock::time_point sent;
    std::uint32_t pendingDelete = 0; // the id of this slot's LEAVE_INVITE, deleted by its next request
    bool awaitingLeave = false;
    long turn = 0;
};

int openSocket(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        std::perror("socket");
        std::exit(2);
    }
    port = ntohs(a.sin_port); // ephemeral ports lie above 1024
    return fd;
}

// Throughput with K requests in flight on one socket, read and sent in batches (--batched).
int runBatched(const Options& o, sockaddr_in to) {
    constexpr int BATCH = 128;
    std::uint16_t port = 0;
    const int fd = openSocket(port);
    std::vector<std::array<std::uint8_t, 84>> out(BATCH);
    std::vector<std::array<std::uint8_t, 128>> in(BATCH);
    std::vector<mmsghdr> sendHeaders(BATCH), recvHeaders(BATCH);
    std::vector<iovec> sendVectors(BATCH), recvVectors(BATCH);
    for (int i = 0; i < BATCH; ++i) {
        sendVectors[i] = {out[i].data(), out[i].size()};
        sendHeaders[i].msg_hdr.msg_iov = &sendVectors[i];
        sendHeaders[i].msg_hdr.msg_iovlen = 1;
        sendHeaders[i].msg_hdr.msg_name = &to;
        sendHeaders[i].msg_hdr.msg_namelen = sizeof to;
        recvVectors[i] = {in[i].data(), in[i].size()};
        recvHeaders[i].msg_hdr.msg_iov = &recvVectors[i];
        recvHeaders[i].msg_hdr.msg_iovlen = 1;
    }
    long sent = 0, replies = 0, lost = 0, counter = 0;
    int outstanding = 0;
    auto sendNew = [&](int n) {
        while (n > 0) {
            const int now = std::min(n, BATCH);
            for (int i = 0; i < now; ++i) {
                const long k = counter % 8;
                const std::uint32_t c = std::uint32_t(counter++);
                char name[13];
                std::snprintf(name, sizeof name, "u%u", c % 100000);
                if (k <= 3 || k == 5)
                    out[i] = message(1, 1, 0, 0x7F000001, port, name, "tester"); // LOOK_UP miss
                else if (k == 4)
                    out[i] = message(1, 1, 0xD7000000, 0x7F000001, port, name, ""); // probe
                else if (k == 6)
                    out[i] = message(2, 1, 0, 0x7F000001, port, name, "tester"); // bad version
                else
                    out[i] = message(1, 9, 0, 0x7F000001, port, name, "tester"); // unknown type
            }
            int done = 0;
            while (done < now) {
                const int r = ::sendmmsg(fd, sendHeaders.data() + done, unsigned(now - done), 0);
                if (r <= 0)
                    break;
                done += r;
            }
            sent += done;
            outstanding += done;
            n -= now;
        }
    };
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.seconds));
    sendNew(o.inflight);
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, REPLY_TIMEOUT_MS) <= 0) {
            lost += outstanding; // the daemon dropped them: start the window again
            outstanding = 0;
            sendNew(o.inflight);
            continue;
        }
        const int got = ::recvmmsg(fd, recvHeaders.data(), BATCH, MSG_DONTWAIT, nullptr);
        if (got <= 0)
            continue;
        for (int i = 0; i < got; ++i)
            if (recvHeaders[i].msg_len >= 24)
                ++replies;
        outstanding = std::max(0, outstanding - got);
        sendNew(std::min(got, o.inflight - outstanding));
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("sent %ld replies %ld lost %ld replies/s %.0f p50_us 0 p99_us 0\n", sent, replies, lost,
                double(replies) / elapsed);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i];
        const char* v = argv[i + 1];
        if (k == "--host")
            o.host = v;
        else if (k == "--port")
            o.port = std::atoi(v);
        else if (k == "--seconds")
            o.seconds = std::atof(v);
        else if (k == "--inflight")
            o.inflight = std::max(1, std::atoi(v));
        else if (k == "--rate")
            o.rate = std::atof(v);
        else if (k == "--prefill")
            o.prefill = std::atol(v);
        else if (k == "--leave")
            o.leave = std::atol(v);
        else if (k == "--batched")
            o.batched = std::atoi(v) != 0;
        else {
            std::fprintf(stderr, "unknown option %s\n", k.c_str());
            return 2;
        }
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(std::uint16_t(o.port));
    if (::inet_pton(AF_INET, o.host.c_str(), &to.sin_addr) != 1 || (ntohl(to.sin_addr.s_addr) >> 24) != 127) {
        std::fprintf(stderr, "daemon-load sends to 127.0.0.0/8 only\n");
        return 2;
    }

    if (o.batched)
        return runBatched(o, to);

    std::vector<Slot> slots(std::size_t(o.inflight));
    for (Slot& s : slots)
        s.fd = openSocket(s.port);

    // Invitations that stay: distinct control addresses (10.x.y.z, port) that no other request uses.
    auto leaveOnly = [&](long count, std::uint32_t base) {
        long answered = 0;
        std::uint8_t buf[128];
        for (long i = 0; i < count; ++i) {
            const auto m =
                message(1, 0, 0, base + std::uint32_t(i), std::uint16_t(1000 + i % 60000), "tester", "nobody");
            Slot& s = slots[0];
            ::sendto(s.fd, m.data(), m.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            pollfd p{s.fd, POLLIN, 0};
            if (::poll(&p, 1, REPLY_TIMEOUT_MS) > 0 && ::recv(s.fd, buf, sizeof buf, 0) >= 24)
                ++answered;
        }
        return answered;
    };
    if (o.leave > 0) {
        const long answered = leaveOnly(o.leave, 0x0B000000);
        std::printf("leave_invites %ld answered %ld\n", o.leave, answered);
        return answered == o.leave ? 0 : 1;
    }
    if (o.prefill > 0) {
        const long answered = leaveOnly(o.prefill, 0x0A000000);
        std::fprintf(stderr, "prefilled %ld invitations (%ld answered)\n", o.prefill, answered);
    }

    std::vector<double> latencies;
    latencies.reserve(std::size_t(o.seconds * std::max(o.rate, 50000.0)));
    long sent = 0, replies = 0, lost = 0, counter = 0;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.seconds));
    const auto interval = o.rate > 0 ? std::chrono::duration<double>(1.0 / o.rate) : std::chrono::duration<double>(0);
    Clock::time_point nextSend = start;

    auto sendOn = [&](Slot& s) {
        std::array<std::uint8_t, 84> m;
        const long k = s.turn++ % 8;
        const std::uint32_t n = std::uint32_t(counter++);
        char name[13];
        std::snprintf(name, sizeof name, "u%u", n % 100000);
        if (s.pendingDelete != 0) {
            m = message(1, 2, s.pendingDelete, 0x7F000001, s.port, "tester", "nobody");
            s.pendingDelete = 0;
        } else if (k <= 2) {
            m = message(1, 1, 0, 0x7F000001, s.port, name, "tester"); // LOOK_UP miss
        } else if (k <= 4) {
            m = message(1, 1, 0xD7000000, 0x7F000001, s.port, name, ""); // probe
        } else if (k == 5) {
            m = message(1, 0, 0, 0x7F000001, s.port, "tester", "nobody"); // LEAVE_INVITE, its DELETE follows
            s.awaitingLeave = true;
        } else if (k == 6) {
            m = message(2, 1, 0, 0x7F000001, s.port, name, "tester"); // bad version
        } else {
            m = message(1, 9, 0, 0x7F000001, s.port, name, "tester"); // unknown type
        }
        ::sendto(s.fd, m.data(), m.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        s.busy = true;
        s.sent = Clock::now();
        ++sent;
    };

    std::vector<pollfd> fds(slots.size());
    std::uint8_t buf[128];
    for (;;) {
        const Clock::time_point now = Clock::now();
        const bool running = now < end;
        if (running) {
            for (Slot& s : slots) {
                if (s.busy)
                    continue;
                if (o.rate > 0 && Clock::now() < nextSend)
                    break;
                sendOn(s);
                if (o.rate > 0)
                    nextSend += std::chrono::duration_cast<Clock::duration>(interval);
            }
            // Paced sends that the slots could not keep up with are not made up for later.
            if (o.rate > 0 && Clock::now() - nextSend > std::chrono::milliseconds(50))
                nextSend = Clock::now();
        }
        bool anyBusy = false;
        for (std::size_t i = 0; i < slots.size(); ++i) {
            fds[i] = {slots[i].fd, POLLIN, 0};
            anyBusy = anyBusy || slots[i].busy;
        }
        if (!running && !anyBusy)
            break;
        int waitMs = 1;
        if (o.rate <= 0 || !running)
            waitMs = 5;
        ::poll(fds.data(), fds.size(), waitMs);
        const Clock::time_point got = Clock::now();
        for (std::size_t i = 0; i < slots.size(); ++i) {
            Slot& s = slots[i];
            if (fds[i].revents & POLLIN) {
                const ssize_t n = ::recv(s.fd, buf, sizeof buf, 0);
                if (n >= 24 && s.busy) {
                    latencies.push_back(std::chrono::duration<double, std::micro>(got - s.sent).count());
                    ++replies;
                    if (s.awaitingLeave) {
                        s.pendingDelete = (std::uint32_t(buf[4]) << 24) | (std::uint32_t(buf[5]) << 16) |
                                          (std::uint32_t(buf[6]) << 8) | buf[7];
                        s.awaitingLeave = false;
                    }
                    s.busy = false;
                }
            } else if (s.busy && got - s.sent > std::chrono::milliseconds(REPLY_TIMEOUT_MS)) {
                ++lost;
                s.busy = false;
                s.awaitingLeave = false;
            }
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(latencies.begin(), latencies.end());
    auto pct = [&](double p) {
        return latencies.empty() ? 0.0 : latencies[std::min(latencies.size() - 1, std::size_t(p * latencies.size()))];
    };
    std::printf("sent %ld replies %ld lost %ld replies/s %.0f p50_us %.1f p99_us %.1f\n", sent, replies, lost,
                double(replies) / elapsed, pct(0.50), pct(0.99));
    return 0;
}
