// The daemon against hostile peers, end to end: copies of the headless daemon in network namespaces of the
// test's own, joined by a veth pair, and forged or foreign datagrams sent at them. Root only (namespaces, port
// 518, a raw socket); skipped otherwise.
#include "DaemonPeers.h"

#include <QHostAddress>
#include <QUdpSocket>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

using namespace daemonpeers;

namespace {

constexpr quint16 TALK_PORT = 518;

// Two namespaces joined by a veth pair, `a` holding the first address of the subnet and `b` the others; both go
// with the object.
class TwoHosts {
public:
    TwoHosts(const QString& tag, const QString& subnet, const QStringList& addressesOfB) : m_subnet(subnet) {
        const QString pid = QString::number(QCoreApplication::applicationPid());
        a = QStringLiteral("zh%1a%2").arg(tag, pid);
        b = QStringLiteral("zh%1b%2").arg(tag, pid);
        linkOfA = QStringLiteral("zv%1a%2").arg(tag, pid);
        const QString& va = linkOfA;
        const QString vb = QStringLiteral("zv%1b%2").arg(tag, pid);
        QString script =
            QStringLiteral("ip netns add %1 && ip netns add %2 && ip link add %3 type veth peer name %4 "
                           "&& ip link set %3 netns %1 && ip link set %4 netns %2 "
                           "&& ip -n %1 addr add %5.1/24 dev %3 && ip -n %1 link set %3 up "
                           "&& ip -n %1 link set lo up && ip -n %2 link set %4 up && ip -n %2 link set lo up")
                .arg(a, b, va, vb, subnet);
        for (const QString& host : addressesOfB)
            script += QStringLiteral(" && ip -n %1 addr add %2.%3/24 dev %4").arg(b, subnet, host, vb);
        m_ok = sh(script) == 0;
    }
    ~TwoHosts() { sh(QStringLiteral("ip netns del %1 2>/dev/null; ip netns del %2 2>/dev/null").arg(a, b)); }
    bool ok() const { return m_ok; }
    QHostAddress address(int host) const { return QHostAddress(QStringLiteral("%1.%2").arg(m_subnet).arg(host)); }

    QString a;
    QString b;
    QString linkOfA; // a's end of the pair

private:
    QString m_subnet;
    bool m_ok = false;
};

// The UDP datagrams a namespace's stack has taken in and sent out (the "Udp:" line of /proc/net/snmp).
struct UdpCounters {
    qint64 in = -1;
    qint64 out = -1;
};

UdpCounters udpCounters(const QString& ns) {
    const QStringList lines = shOut(QStringLiteral("ip netns exec %1 cat /proc/net/snmp").arg(ns)).split('\n');
    UdpCounters c;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith(QLatin1String("Udp: ")) || !lines[i + 1].startsWith(QLatin1String("Udp: ")))
            continue;
        const QStringList names = lines[i].split(' ', Qt::SkipEmptyParts);
        const QStringList values = lines[i + 1].split(' ', Qt::SkipEmptyParts);
        c.in = values.value(int(names.indexOf(QStringLiteral("InDatagrams")))).toLongLong();
        c.out = values.value(int(names.indexOf(QStringLiteral("OutDatagrams")))).toLongLong();
        break;
    }
    return c;
}

// Sends `payload` as one UDP datagram from `from`:`fromPort` to `to`:`toPort` through a raw socket, so that the
// source may be a port another program holds. Must run inside the namespace that owns `from`.
bool sendForged(const QHostAddress& from, quint16 fromPort, const QHostAddress& to, quint16 toPort,
                const QByteArray& payload) {
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_RAW);
    if (fd < 0)
        return false;
    QByteArray packet(20 + 8, '\0');
    packet[0] = char(0x45); // IPv4, a 20-byte header; the kernel fills in length, id and checksum
    packet[8] = char(64);   // time to live
    packet[9] = char(IPPROTO_UDP);
    const quint32 src = htonl(from.toIPv4Address()), dst = htonl(to.toIPv4Address());
    std::memcpy(packet.data() + 12, &src, 4);
    std::memcpy(packet.data() + 16, &dst, 4);
    const quint16 sport = htons(fromPort), dport = htons(toPort), length = htons(quint16(8 + payload.size()));
    std::memcpy(packet.data() + 20, &sport, 2);
    std::memcpy(packet.data() + 22, &dport, 2);
    std::memcpy(packet.data() + 24, &length, 2); // UDP checksum 0: none
    packet += payload;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = dst;
    const bool sent = ::sendto(fd, packet.constData(), size_t(packet.size()), 0,
                               reinterpret_cast<const sockaddr*>(&target), sizeof target) == packet.size();
    ::close(fd);
    return sent;
}

QByteArray exchange(QUdpSocket& s, const QHostAddress& to, const QByteArray& d) {
    while (s.hasPendingDatagrams())
        s.readDatagram(nullptr, 0);
    s.writeDatagram(d, to, TALK_PORT);
    if (!QTest::qWaitFor([&s] { return s.hasPendingDatagrams(); }, 2000))
        return {};
    QByteArray r(int(s.pendingDatagramSize()), 0);
    s.readDatagram(r.data(), r.size());
    return r;
}

quint32 idOf(const QByteArray& reply) {
    return reply.size() < 8 ? 0 : qFromBigEndian<quint32>(reply.constData() + 4);
}

void startDaemon(Child& daemon, const QString& ns) {
    daemon.process.start(QStringLiteral("ip"),
                         {QStringLiteral("netns"), QStringLiteral("exec"), ns, daemonHost(), QStringLiteral("--port"),
                          QString::number(TALK_PORT), QStringLiteral("--login"), QStringLiteral("tester"),
                          QStringLiteral("--ltra"), QStringLiteral("20")});
}

QString status(Child& daemon) {
    daemon.lines.removeIf([](const QString& l) { return l.startsWith(QLatin1String("STATUS")); });
    daemon.process.write("status\n");
    return daemon.waitForLine(QStringLiteral("STATUS")) ? daemon.lines.filter(QStringLiteral("STATUS")).constFirst()
                                                        : QString();
}

} // namespace

class TestDaemonHostile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (::geteuid() != 0)
            QSKIP("needs root: network namespaces, port 518 and a raw socket");
        QVERIFY(QFile::exists(daemonHost()));
    }

    void aForgedDatagramBetweenTwoDaemonsStartsNoExchange() {
        TwoHosts net(QStringLiteral("f"), QStringLiteral("10.77.41"), {QStringLiteral("2")});
        QVERIFY(net.ok());
        Child first, second;
        auto stop = qScopeGuard([&] {
            first.stop();
            second.stop();
        });
        startDaemon(first, net.a);
        startDaemon(second, net.b);
        QVERIFY2(first.waitForLine(QStringLiteral("READY 518")), qPrintable(first.lines.join('\n')));
        QVERIFY2(second.waitForLine(QStringLiteral("READY 518")), qPrintable(second.lines.join('\n')));

        // A well-formed LOOK_UP, as if the first daemon had sent it from its port 518 to the second: answered, it
        // would be a request to the first, whose answer would be one to the second, and so on for ever.
        const UdpCounters firstBefore = udpCounters(net.a), secondBefore = udpCounters(net.b);
        QVERIFY(firstBefore.in >= 0 && secondBefore.in >= 0);
        {
            InNamespace inside(net.a);
            QVERIFY(inside.ok());
            QVERIFY(sendForged(net.address(1), TALK_PORT, net.address(2), TALK_PORT,
                               request(1, 1, id(0), wireAddr(2, TALK_PORT, 0x0A4D2901),
                                       wireAddr(2, TALK_PORT, 0x0A4D2901), "tester", "tester")));
        }
        QTest::qWait(3000);
        const UdpCounters firstAfter = udpCounters(net.a), secondAfter = udpCounters(net.b);
        qInfo("UDP datagrams in 3 s: first daemon in %lld out %lld, second daemon in %lld out %lld",
              firstAfter.in - firstBefore.in, firstAfter.out - firstBefore.out, secondAfter.in - secondBefore.in,
              secondAfter.out - secondBefore.out);
        QCOMPARE(secondAfter.in - secondBefore.in, 1); // the forged one
        QCOMPARE(secondAfter.out - secondBefore.out, 0);
        QCOMPARE(firstAfter.in - firstBefore.in, 0);
        QCOMPARE(firstAfter.out - firstBefore.out, 0);

        // Both still answer a talk program, which sends from an unprivileged port.
        InNamespace inside(net.b);
        QUdpSocket program;
        QVERIFY(program.bind(QHostAddress::AnyIPv4, 0));
        for (int host : {1, 2}) {
            const QByteArray reply =
                exchange(program, net.address(host),
                         request(1, 1, id(0), wireAddr(2, 40000), wireAddr(2, 40001), "alice", "tester"));
            QCOMPARE(reply.size(), 24);
            QCOMPARE(int(reply[2]), 1); // NOT_HERE
        }
    }

    void foreignDeletesLeaveTheUsersInvitationAndTheRingingPrompt() {
        // The daemon's host has .1; the caller .2 and a stranger .3 share the other namespace.
        TwoHosts net(QStringLiteral("d"), QStringLiteral("10.77.42"), {QStringLiteral("2"), QStringLiteral("3")});
        QVERIFY(net.ok());
        Child daemon;
        auto stop = qScopeGuard([&] { daemon.stop(); });
        startDaemon(daemon, net.a);
        QVERIFY2(daemon.waitForLine(QStringLiteral("READY 518")), qPrintable(daemon.lines.join('\n')));

        // The user's own conversation leaves its invitation for bob (from this machine), and alice rings.
        QUdpSocket own, caller, stranger;
        const QByteArray leave =
            request(1, 0, id(0), wireAddr(2, 41000, 0x0A4D2A01), wireAddr(2, 41001, 0x0A4D2A01), "tester", "bob");
        {
            InNamespace inside(net.a);
            QVERIFY(own.bind(QHostAddress::LocalHost, 0));
        }
        QCOMPARE(idOf(exchange(own, QHostAddress(QHostAddress::LocalHost), leave)), 1u);
        {
            InNamespace inside(net.b);
            QVERIFY(caller.bind(net.address(2), 0));
            QVERIFY(stranger.bind(net.address(3), 0));
        }
        const QByteArray announce =
            request(1, 3, id(0), wireAddr(2, 42000, 0x0A4D2A02), wireAddr(2, 42001, 0x0A4D2A02), "alice", "tester");
        QCOMPARE(idOf(exchange(caller, net.address(1), announce)), 2u);
        QVERIFY(daemon.waitForLine(QStringLiteral("RING 3 10.77.42.2 alice 20")));

        // The stranger learns the last id from any reply, then deletes every id near it, naming alice to close her
        // prompt too. Every DELETE is answered SUCCESS; nothing goes.
        const quint32 last = idOf(
            exchange(stranger, net.address(1), request(1, 1, id(0), wireAddr(2, 43000), wireAddr(2, 43001), "x", "y")));
        QCOMPARE(last, 2u);
        for (quint32 n = 1; n <= last + 20; ++n) {
            const QByteArray reply = exchange(
                stranger, net.address(1),
                request(1, 2, id(n), wireAddr(2, 43000), wireAddr(2, 43001), "alice", n % 2 ? "tester" : "bob"));
            QCOMPARE(reply.size(), 24);
            QCOMPARE(int(reply[2]), 0);
        }
        QVERIFY2(status(daemon).startsWith(QStringLiteral("STATUS table=2 prompts=1 lastid=2")),
                 qPrintable(daemon.lines.join('\n')));
        QCOMPARE(daemon.count(QStringLiteral("CLOSE alice 10.77.42.2")), 0);
        // Bob still finds the user's invitation.
        const QByteArray found =
            exchange(own, QHostAddress(QHostAddress::LocalHost),
                     request(1, 1, id(0), wireAddr(2, 44000), wireAddr(2, 44001), "bob", "tester"));
        QCOMPARE(int(found[2]), 0);
        QCOMPARE(found.mid(8, 16).toHex(), wireAddr(2, 41000, 0x0A4D2A01).toHex());

        // Their owners take them back: alice gives up (her prompt closes), the user's conversation ends.
        QCOMPARE(int(exchange(caller, net.address(1),
                              request(1, 2, id(2), wireAddr(2, 42000), wireAddr(2, 42001), "alice", "tester"))[2]),
                 0);
        QVERIFY(daemon.waitForLine(QStringLiteral("CLOSE alice 10.77.42.2")));
        QCOMPARE(int(exchange(own, QHostAddress(QHostAddress::LocalHost),
                              request(1, 2, id(1), wireAddr(2, 41000), wireAddr(2, 41001), "tester", "bob"))[2]),
                 0);
        QVERIFY2(status(daemon).startsWith(QStringLiteral("STATUS table=0 prompts=0")),
                 qPrintable(daemon.lines.join('\n')));
    }

    // A host that asks faster than the daemon's link can answer fills the daemon's send buffer: the replies that no
    // longer fit are dropped, as the system drops datagrams, and counted; a send that would block is no error.
    void repliesAFullSendBufferDropsAreNoError() {
        TwoHosts net(QStringLiteral("w"), QStringLiteral("10.77.43"), {QStringLiteral("2")});
        QVERIFY(net.ok());
        // The daemon's link sends 1 kB a second and queues whatever waits: replies stay in the send buffer.
        QCOMPARE(sh(QStringLiteral("ip netns exec %1 tc qdisc add dev %2 root tbf rate 8kbit burst 1600 limit 50000000")
                        .arg(net.a, net.linkOfA)),
                 0);
        Child daemon;
        auto stop = qScopeGuard([&] { daemon.stop(); });
        startDaemon(daemon, net.a);
        QVERIFY2(daemon.waitForLine(QStringLiteral("READY 518")), qPrintable(daemon.lines.join('\n')));
        QUdpSocket asker;
        {
            InNamespace inside(net.b);
            QVERIFY(inside.ok() && asker.bind(net.address(2), 0));
        }
        const QByteArray lookUp = request(1, 1, id(0), wireAddr(2, 40000), wireAddr(2, 40001), "alice", "tester");
        // Far more than a send buffer holds, in bursts that the daemon's receive buffer takes.
        for (int i = 0; i < 2000; ++i) {
            asker.writeDatagram(lookUp, net.address(1), TALK_PORT);
            if (i % 50 == 49)
                QTest::qWait(5);
        }
        auto dropped = [&daemon] {
            const QString line = status(daemon);
            const qsizetype at = line.indexOf(QLatin1String("dropped="));
            return at < 0 ? -1 : line.mid(at + 8).toLongLong();
        };
        QTRY_VERIFY2(dropped() > 0, qPrintable(daemon.lines.join('\n')));
        QCOMPARE(daemon.count(QStringLiteral("ERROR")), 0);
    }
};

QTEST_GUILESS_MAIN(TestDaemonHostile)
#include "tst_daemonhostile.moc"
