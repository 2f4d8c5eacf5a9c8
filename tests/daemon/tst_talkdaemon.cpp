// The talk daemon on a real UDP socket: replies, rings and closed prompts, errors, the port taken, caller rules,
// and a hostile run that must leave it answering.
#include "config/CallerRules.h"
#include "daemon/CTalkDaemon.h"
#include "daemon/RequestHandler.h"
#include "platform/LoginName.h"

#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

#define ADDR "0002 9c40 7f000001 0000000000000000"
#define CTL "0002 9c41 7f000001 0000000000000000"
#define PID "00000000"
#define ALICE "616c69636500000000000000"
#define TESTER "746573746572000000000000"
#define TTY "00000000000000000000000000000000"

long vmRssKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// Stands in for the prompt windows: one object per ring, registered with the daemon, closed by its DELETE.
class FakePrompts : public QObject {
public:
    explicit FakePrompts(CTalkDaemon& daemon) : m_daemon(daemon) {
        connect(&daemon, &CTalkDaemon::ring, this, [this](int, const QString& host, const WireName& caller, int) {
            const QString& name = caller.text;
            auto* p = new QObject(this);
            p->setProperty("name", name);
            p->setProperty("host", host);
            m_daemon.AddPrompt(p, name, host);
            ++rings;
        });
        connect(&daemon, &CTalkDaemon::closePrompts, this, [this](const QString& name, const QString& host) {
            for (QObject* p : children()) {
                if (CallerRules::equalsIgnoringAsciiCase(p->property("name").toString(), name) &&
                    p->property("host").toString() == host) {
                    m_daemon.RemovePrompt(p);
                    delete p;
                }
            }
        });
    }
    int rings = 0;

private:
    CTalkDaemon& m_daemon;
};

} // namespace

class TestTalkDaemon : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<FakeAppContext> m_core;
    std::unique_ptr<CTalkDaemon> m_daemon;
    std::unique_ptr<QUdpSocket> m_client;

    // Sends one datagram and waits for the reply; empty when none came within `waitMs`.
    QByteArray exchange(const QByteArray& request, int waitMs = 2000, QUdpSocket* from = nullptr) {
        QUdpSocket* s = from ? from : m_client.get();
        s->writeDatagram(request, QHostAddress::LocalHost, m_daemon->localPort());
        if (!QTest::qWaitFor([s] { return s->hasPendingDatagrams(); }, waitMs))
            return {};
        QByteArray reply(int(s->pendingDatagramSize()), 0);
        s->readDatagram(reply.data(), reply.size());
        return reply;
    }

private slots:
    void init() {
        LoginName::setRawOverride(QStringLiteral("tester"));
        m_profile = std::make_unique<TempProfile>();
        m_core = std::make_unique<FakeAppContext>(m_profile->store());
        m_core->setDaemonPort(0);
        m_daemon = std::make_unique<CTalkDaemon>(*m_core);
        QVERIFY(m_daemon->start());
        QVERIFY(m_daemon->localPort() != 0);
        m_client = std::make_unique<QUdpSocket>();
        QVERIFY(m_client->bind(QHostAddress::LocalHost, 0));
    }

    void cleanup() {
        m_client.reset();
        m_daemon.reset();
        m_core.reset();
        m_profile.reset();
        LoginName::setRawOverride(std::nullopt);
    }

    void repliesGoToTheSendersPort() {
        // ctl_addr names port 40001; the reply goes where the datagram came from.
        const QByteArray reply = exchange(hex("01 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY));
        QCOMPARE(reply.toHex(' '), hex("01 01 01 00 00000000" ADDR).toHex(' '));
    }

    void ringThenDeleteClosesThePrompt() {
        FakePrompts prompts(*m_daemon);
        QSignalSpy ring(m_daemon.get(), &CTalkDaemon::ring);
        QCOMPARE(exchange(hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY)).toHex(' '),
                 hex("01 03 00 07 00000001" ADDR).toHex(' '));
        QCOMPARE(ring.size(), 1);
        QCOMPARE(ring[0][0].toInt(), 3);
        QCOMPARE(ring[0][1].toString(), QStringLiteral("127.0.0.1"));
        QCOMPARE(ring[0][2].value<WireName>().text, QStringLiteral("alice"));
        QCOMPARE(ring[0][3].toInt(), 7);
        QCOMPARE(m_daemon->promptCount(), 1);
        // Re-announced: absorbed.
        QCOMPARE(exchange(hex("01 03 00 00 00000002" ADDR CTL PID ALICE TESTER TTY)).toHex(' '),
                 hex("01 03 00 00 00000002" ADDR).toHex(' '));
        QCOMPARE(ring.size(), 1);
        // The caller gives up.
        QCOMPARE(exchange(hex("01 02 00 00 00000001" ADDR CTL PID ALICE TESTER TTY)).toHex(' '),
                 hex("01 02 00 00 00000001" ADDR).toHex(' '));
        QCOMPARE(m_daemon->promptCount(), 0);
        QCOMPARE(m_daemon->table().size(), std::size_t(0));
    }

    void reannouncementsOfNamesOutsideAscii_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("j\xc3\xb6rg") << QStringLiteral("j\u00f6rg");
        QTest::newRow("Latin-1") << QByteArray("J\xf6RG") << QStringLiteral("J\u00f6RG");
        QTest::newRow("broken UTF-8") << QByteArray("a\xc3") << QStringLiteral("a\u00c3");
    }

    void reannouncementsOfNamesOutsideAscii() {
        QFETCH(QByteArray, name);
        QFETCH(QString, text);
        FakePrompts prompts(*m_daemon);
        QSignalSpy ring(m_daemon.get(), &CTalkDaemon::ring);
        QByteArray announce = hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY);
        announce.replace(44, 12, name + QByteArray(12 - name.size(), '\0'));
        QCOMPARE(int(exchange(announce)[2]), 0);
        QCOMPARE(ring.size(), 1);
        QCOMPARE(ring[0][2].value<WireName>().text, text);
        QCOMPARE(ring[0][2].value<WireName>().bytes, name); // kept for the conversation that answers
        // The same bytes again, and in other letter case of A to Z: absorbed while the prompt is open.
        QCOMPARE(int(exchange(announce)[2]), 0);
        QByteArray other = announce;
        for (int i = 44; i < 56; ++i)
            if (other[i] >= 'a' && other[i] <= 'z')
                other[i] = char(other[i] - 32);
        QCOMPARE(int(exchange(other)[2]), 0);
        QCOMPARE(ring.size(), 1);
        QCOMPARE(m_daemon->promptCount(), 1);
    }

    void callerRulesDecide_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("action");
        QTest::addColumn<QByteArray>("reply"); // to a probe from alice at 127.0.0.1
        QTest::newRow("caller ignored") << "Caller"
                                        << "ALICE" << 2 << QByteArray();
        QTest::newRow("host ignored") << "Host"
                                      << "127.0.0.1" << 2 << QByteArray();
        QTest::newRow("caller refused urgent") << "Caller"
                                               << "alice" << 1 << hex("d6");
        QTest::newRow("host refused") << "Host"
                                      << "127.0.0.1" << 0 << hex("d5");
        QTest::newRow("other caller's rule") << "Caller"
                                             << "bob" << 2 << hex("d7");
    }

    void callerRulesDecide() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, action);
        QFETCH(QByteArray, reply);
        // A first probe before the rule exists fills the daemon's cache; the rule must still take effect.
        QCOMPARE(exchange(hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY)).mid(2, 1), hex("d7"));
        CallerRulesTree tree;
        (section == QLatin1String("Caller") ? tree.callers : tree.hosts).push_back({key, action});
        SaveCallerRules(m_core->store(), tree);
        const QByteArray got =
            exchange(hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY), reply.isEmpty() ? 300 : 2000);
        QCOMPARE(got.mid(2, 1).toHex(), reply.toHex());
    }

    void callerActionAgreesWithActionFor() {
        CallerRulesTree tree;
        tree.defaultAction = 4;
        tree.callers = {{"", 2}, {"Alice", 0}, {"ALICE", 1}, {"bob", 2}, {"\u00c9mile", 1}};
        tree.hosts = {{"10.77.0.2", 1}, {"10.77.0.2", 3}, {"127.0.0.1", 0}};
        SaveCallerRules(m_core->store(), tree);
        const QStringList names = {"alice", "aLiCe", "bob", "BOB", "carol", "\u00e9mile", "\u00c9MILE", "", "ali"};
        const QStringList hosts = {"10.77.0.2", "127.0.0.1", "10.77.0.3"};
        for (const QString& n : names)
            for (const QString& h : hosts)
                QCOMPARE(m_daemon->callerAction(n, h), ActionFor(m_core->store(), n, h));
    }

    void overlongDatagramIsAReceiptError() {
        QSignalSpy errors(m_daemon.get(), &CTalkDaemon::errorOccurred);
        QCOMPARE(exchange(QByteArray(100, '\1'), 300), QByteArray());
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0][0].toString(),
                 QStringLiteral("Server: socket error 10040 occured.\r\nMurmelo daemon reports receipt error."));
        // And the daemon goes on.
        QCOMPARE(exchange(hex("01 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY)).size(), 24);
        // 85 bytes is already too long; 84 is not.
        QCOMPARE(exchange(QByteArray(85, '\1'), 300), QByteArray());
        QCOMPARE(errors.size(), 2);
        QCOMPARE(exchange(hex("01 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY)).size(), 24);
    }

    void anAdoptedSocketIsAnsweredFromStartOn() {
        // The socket main binds before start-up: the daemon answers on it, not on a bind of its own (its port is
        // taken), and what came before the daemon existed is not answered late.
        QUdpSocket holder, before;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0) && before.bind(QHostAddress::LocalHost, 0));
        m_core->setDaemonPort(holder.localPort());
        DaemonSocket early = DaemonSocket::bind(0);
        const QByteArray lookUp = hex("01 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY);
        before.writeDatagram(lookUp, QHostAddress::LocalHost, early.localPort());
        m_daemon = std::make_unique<CTalkDaemon>(*m_core);
        m_daemon->adopt(std::move(early));
        QVERIFY(m_daemon->start());
        QCOMPARE(exchange(lookUp).toHex(' '), hex("01 01 01 00 00000000" ADDR).toHex(' '));
        QVERIFY(!before.hasPendingDatagrams());
    }

    void secondDaemonOnTheSamePortFindsItTaken() {
        FakeAppContext other(m_profile->store());
        other.setDaemonPort(m_daemon->localPort());
        CTalkDaemon second(other);
        QVERIFY(!second.start());
        QCOMPARE(second.startErrorCode(), 10048);
        QCOMPARE(second.startError(),
                 QStringLiteral("Hm... it appears there is another talk program being executed at the moment. You "
                                "would better choose which one you are going to use and remove the other. Do not "
                                "hurry and make proper choice!"));
        // The first one still answers.
        QCOMPARE(exchange(hex("01 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY)).size(), 24);
    }

    void aBurstBeyondOneTurnIsAnsweredInFull() {
        // More datagrams than one batch takes, all queued before the daemon runs, from two senders and (as root)
        // a privileged port: look-ups, probes, bad versions and overlong ones in turn. The rest are taken up in the
        // following turns without any new datagram arriving; each sender has every answerable one answered once,
        // in order and at its length; overlong ones are reported, privileged ones dropped.
        QUdpSocket second, privileged;
        QVERIFY(second.bind(QHostAddress::LocalHost, 0));
        bool root = false;
        for (quint16 port = 1023; port > 1000 && !root; --port)
            root = privileged.bind(QHostAddress(quint32(0x7F000000 + 22 * 256 + 1)), port);
        QSignalSpy errors(m_daemon.get(), &CTalkDaemon::errorOccurred);
        int overlong = 0;
        const int perSender = 84; // 168 (or 188) datagrams: beyond one batch, within the socket's buffer
        const QByteArray kinds[] = {hex("01 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY),
                                    hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY),
                                    hex("02 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY), QByteArray(100, '\1')};
        QUdpSocket* senders[] = {m_client.get(), &second, &privileged};
        for (int i = 0; i < perSender; ++i)
            for (int s = 0; s < (root ? 3 : 2) && (s < 2 || i < 20); ++s) {
                QByteArray d = kinds[i % 4];
                d[15] = char(i); // addr's last byte: every reply carries it back
                overlong += i % 4 == 3 ? 1 : 0;
                senders[s]->writeDatagram(d, QHostAddress::LocalHost, m_daemon->localPort());
            }
        for (QUdpSocket* s : {m_client.get(), &second}) {
            for (int i = 0; i < perSender; ++i) {
                if (i % 4 == 3)
                    continue;
                QVERIFY(QTest::qWaitFor([s] { return s->hasPendingDatagrams(); }, 5000));
                QByteArray reply(int(s->pendingDatagramSize()), 0);
                s->readDatagram(reply.data(), reply.size());
                QCOMPARE(reply.size(), i % 4 == 1 ? 84 : 24);
                QCOMPARE(int(quint8(reply[2])), i % 4 == 0   ? talk::NOT_HERE
                                                : i % 4 == 1 ? talk::USER_PRESENT
                                                             : talk::BADVERSION);
                QCOMPARE(int(quint8(reply[15])), i);
            }
        }
        QCOMPARE(errors.size(), overlong); // reported before the source port is looked at, as ever
        // The daemon still hears the next one, and nothing came twice before its reply.
        QCOMPARE(exchange(kinds[0]).size(), 24);
        QVERIFY(!second.hasPendingDatagrams() && !m_client->hasPendingDatagrams() && !privileged.hasPendingDatagrams());
    }

    void hostileRunLeavesTheDaemonAnswering() {
        FakePrompts prompts(*m_daemon);
        QSignalSpy errors(m_daemon.get(), &CTalkDaemon::errorOccurred);
        // Eight senders on eight loopback addresses, so that the prompt bound in all is reached too.
        std::vector<std::unique_ptr<QUdpSocket>> senders;
        for (int i = 1; i <= 8; ++i) {
            auto s = std::make_unique<QUdpSocket>();
            QVERIFY(s->bind(QHostAddress(quint32(0x7F000000 + i)), 0));
            senders.push_back(std::move(s));
        }
        QRandomGenerator rng(518);
        const long rssBefore = vmRssKiB();
        int sent = 0, tooLong = 0, maxPrompts = 0;
        const int total = 100000;
        while (sent < total) {
            for (int batch = 0; batch < 200 && sent < total; ++batch, ++sent) {
                QByteArray d;
                const int kind = sent % 4;
                if (kind == 0) {
                    // Random bytes of every length from 0 to 200.
                    d.resize(sent / 4 % 201);
                    for (char& c : d)
                        c = char(rng.bounded(256));
                } else {
                    // A well-formed request of every type and answer, random names, pad, id and control address.
                    talk::ControlMessage m;
                    m.vers = rng.bounded(20) == 0 ? 2 : 1;
                    m.type = quint8(kind == 1 ? talk::ANNOUNCE : (sent / 4) % 256);
                    m.answer = quint8(sent % 256);
                    m.pad = quint8(rng.bounded(256));
                    m.setIdNetworkOrder(rng.generate());
                    if (rng.bounded(10) == 0)
                        m.id_num = talk::PROBE_ID_REQUEST;
                    m.addr = {quint16(rng.bounded(50) == 0 ? 3 : 2), quint16(rng.generate()), rng.generate(), {}};
                    m.ctl_addr = {2, quint16(rng.generate()), rng.generate(), {}};
                    m.setLocalName(("f" + std::to_string(sent)).c_str()); // an ANNOUNCE flood from distinct names
                    m.setRemoteName(rng.bounded(4) == 0 ? "nobody" : "TESTER");
                    const auto bytes = m.encode();
                    d = QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
                }
                tooLong += d.size() > 84 ? 1 : 0;
                senders[std::size_t(sent % 8)]->writeDatagram(d, QHostAddress::LocalHost, m_daemon->localPort());
            }
            // Let the daemon catch up, and throw the replies away.
            QTest::qWait(2);
            for (auto& s : senders)
                while (s->hasPendingDatagrams())
                    s->readDatagram(nullptr, 0);
            maxPrompts = std::max(maxPrompts, m_daemon->promptCount());
            QVERIFY(m_daemon->table().size() <= bounds::MAX_INVITATIONS);
        }
        QTest::qWait(200);
        QVERIFY(maxPrompts <= bounds::MAX_PROMPTS);
        QCOMPARE(m_daemon->promptCount(), bounds::MAX_PROMPTS);
        QVERIFY(m_daemon->table().indexesConsistent());
        // Every overlong datagram that arrived was reported (the kernel may drop some under load, never add).
        QVERIFY(errors.size() <= tooLong);
        QVERIFY(errors.size() > 0);
        const long grown = vmRssKiB() - rssBefore;
        qInfo("table %zu, prompts %d, receipt errors %lld, VmRSS grew %ld KiB", m_daemon->table().size(),
              m_daemon->promptCount(), qlonglong(errors.size()), grown);
#if !defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer keeps freed memory in quarantine, so resident size says nothing under it.
        QVERIFY2(grown < 32 * 1024, "memory grew without bound");
#endif

        // The next valid requests are answered correctly.
        QCOMPARE(exchange(hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY)).toHex(' '),
                 hex("01 01 d7 00 000000d7" ADDR CTL PID TESTER "4d722e2058"
                     "0000000000000000000000000000000000000000"
                     "000000")
                     .toHex(' '));
        const QByteArray left =
            exchange(hex("01 00 00 00 00000000" ADDR "0002 4444 7f000001 0000000000000000" PID TESTER
                         "6672696e6400000000000000" TTY));
        QCOMPARE(left.size(), 24);
        QCOMPARE(int(left[2]), 0);
        const QByteArray found = exchange(hex("01 01 00 00 00000000 0002 5555 7f000001 0000000000000000" CTL PID
                                              "6672696e6400000000000000" TESTER TTY));
        QCOMPARE(found.toHex(' '), (hex("01 01 00 00") + left.mid(4, 4) + hex(ADDR)).toHex(' '));
    }
};

QTEST_GUILESS_MAIN(TestTalkDaemon)
#include "tst_talkdaemon.moc"
