// The daemon's request handling, datagram by datagram, against bytes written out here.
#include "daemon/RequestHandler.h"

#include <QTest>

#include <set>

using namespace daemonlogic;

namespace {

// A Unix talk program at 127.0.0.1: addr port 40000, ctl_addr port 40001; "alice" calls "tester".
#define ADDR "0002 9c40 7f000001 0000000000000000"
#define CTL "0002 9c41 7f000001 0000000000000000"
#define CTL2 "0002 9c42 7f000001 0000000000000000"
#define PID "00001234"
#define ALICE "616c69636500000000000000"
#define TESTER "746573746572000000000000"
#define TESTER_UPPER "544553544552000000000000"
#define BOB "626f62000000000000000000"
#define MRX                                                                                                            \
    "4d722e2058"                                                                                                       \
    "0000000000000000000000000000000000000000000000" // "Mr. X", NUL-padded to 28 bytes
#define TTY "00000000000000000000000000000000"

class FakePrompts final : public PromptQueries {
public:
    std::multiset<std::pair<std::string, std::string>> open; // (lower-case name, host)
    bool isOpen(const std::string& name, const std::string& host) const override {
        for (const auto& [n, h] : open)
            if (equalsIgnoringAsciiCase(n, name) && h == host)
                return true;
        return false;
    }
    int openCount() const override { return int(open.size()); }
    int openFrom(const std::string& host) const override {
        int n = 0;
        for (const auto& p : open)
            n += p.second == host ? 1 : 0;
        return n;
    }
};

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

constexpr std::uint32_t LOCALHOST = 0x7F000001;
constexpr std::uint32_t REMOTE = 0x0A4D0002; // 10.77.0.2

} // namespace

class TestRequestHandler : public QObject {
    Q_OBJECT

    InvitationTable m_table;
    FakePrompts m_prompts;
    DaemonView m_view;

    Result send(const QByteArray& request, int action = 3, std::uint32_t ip = LOCALHOST, bool local = true,
                std::uint16_t port = 40001) {
        Sender s{ip, port, local};
        return HandleRequest(reinterpret_cast<const std::uint8_t*>(request.constData()), std::size_t(request.size()), s,
                             action, m_table, m_view, m_prompts);
    }
    static QByteArray bytes(const Result& r) {
        return QByteArray(reinterpret_cast<const char*>(r.reply.data()), qsizetype(r.replyLength));
    }

private slots:
    void init() {
        m_table = InvitationTable();
        m_prompts.open.clear();
        m_view = DaemonView{"tester", "Mr. X", false, 7};
    }

    void singleRequest_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("robot");
        QTest::addColumn<bool>("local");
        QTest::addColumn<QByteArray>("reply");

        QTest::newRow("bad version keeps the id") << hex("02 01 00 00 00000005" ADDR CTL PID ALICE TESTER TTY) << 3
                                                  << false << true << hex("02 01 06 00 00000005" ADDR);
        QTest::newRow("bad addr family")
            << hex("01 01 00 00 00000009 0003 9c40 7f000001 0000000000000000" CTL PID ALICE TESTER TTY) << 3 << false
            << true << hex("01 01 07 00 00000009 0003 9c40 7f000001 0000000000000000");
        QTest::newRow("bad ctl_addr family")
            << hex("01 01 00 00 00000009" ADDR "0000 9c41 7f000001 0000000000000000" PID ALICE TESTER TTY) << 3 << false
            << true << hex("01 01 08 00 00000009" ADDR);
        QTest::newRow("unknown type") << hex("01 09 00 00 00000009" ADDR CTL PID ALICE TESTER TTY) << 3 << false << true
                                      << hex("01 09 05 00 00000000" ADDR);
        QTest::newRow("look-up miss") << hex("01 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY) << 3 << false << true
                                      << hex("01 01 01 00 00000000" ADDR);
        QTest::newRow("PROBE without the marker is a look-up")
            << hex("01 d7 00 00 00000000" ADDR CTL PID ALICE TESTER TTY) << 3 << false << true
            << hex("01 d7 01 00 00000000" ADDR);
        QTest::newRow("probe, user present")
            << hex("01 01 00 00 d7000000" ADDR CTL PID ALICE "000000000000000000000000" TTY) << 3 << false << false
            << hex("01 01 d7 00 000000d7" ADDR CTL PID TESTER MRX);
        QTest::newRow("probe, refuse") << hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY) << 0 << false
                                       << false << hex("01 01 d5 00 000000d7" ADDR CTL PID TESTER MRX);
        QTest::newRow("probe, refuse urgent") << hex("01 d7 00 05 d7000000" ADDR CTL PID ALICE TESTER TTY) << 1 << false
                                              << false << hex("01 d7 d6 05 000000d7" ADDR CTL PID TESTER MRX);
        QTest::newRow("probe, robot on beats refuse urgent")
            << hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY) << 1 << true << false
            << hex("01 01 d8 00 000000d7" ADDR CTL PID TESTER MRX);
        QTest::newRow("probe, connect at once")
            << hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY) << 4 << false << false
            << hex("01 01 d7 00 000000d7" ADDR CTL PID TESTER MRX);
        QTest::newRow("ignore: no reply")
            << hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY) << 2 << false << true << QByteArray();
        QTest::newRow("announce, refuse urgent") << hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY) << 1
                                                 << false << false << hex("01 03 04 00 00000000" ADDR);
        QTest::newRow("announce for another user") << hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE BOB TTY) << 3
                                                   << false << false << hex("01 03 01 00 00000000" ADDR);
        QTest::newRow("announce rings, robot delay 7") << hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY) << 3
                                                       << false << false << hex("01 03 00 07 00000001" ADDR);
        QTest::newRow("announce without a caller name rings nobody")
            << hex("01 03 00 00 ffffffff" ADDR CTL PID "000000000000000000000000" TESTER TTY) << 3 << false << false
            << hex("01 03 02 00 00000000" ADDR);
        QTest::newRow("announce, name in capitals, refuse rings")
            << hex("01 03 00 03 ffffffff" ADDR CTL PID ALICE TESTER_UPPER TTY) << 0 << false << false
            << hex("01 03 00 03 00000001" ADDR);
        QTest::newRow("leave invite from here") << hex("01 00 00 00 00000000" ADDR CTL PID ALICE TESTER TTY) << 3
                                                << false << true << hex("01 00 00 00 00000001" ADDR);
        QTest::newRow("leave invite from elsewhere") << hex("01 00 00 00 00000000" ADDR CTL PID ALICE TESTER TTY) << 3
                                                     << false << false << hex("01 00 04 00 00000000" ADDR);
        QTest::newRow("delete of an unknown id") << hex("01 02 00 00 00000063" ADDR CTL PID ALICE TESTER TTY) << 3
                                                 << false << false << hex("01 02 00 00 00000000" ADDR);
        QTest::newRow("empty datagram") << QByteArray() << 3 << false << false
                                        << hex("00 00 06 00 00000000 00000000000000000000000000000000");
        QTest::newRow("short look-up reads zeros beyond its end")
            << hex("01 01 00 00 00000000" ADDR "0002") << 3 << false << false << hex("01 01 01 00 00000000" ADDR);
    }

    void singleRequest() {
        QFETCH(QByteArray, request);
        QFETCH(int, action);
        QFETCH(bool, robot);
        QFETCH(bool, local);
        QFETCH(QByteArray, reply);
        m_view.robotSwitch = robot;
        const Result r = send(request, action, local ? LOCALHOST : REMOTE, local);
        QCOMPARE(bytes(r).toHex(' '), reply.toHex(' '));
        const bool rang =
            request.size() > 2 && quint8(request[1]) == talk::ANNOUNCE && reply.size() > 2 && reply[2] == 0;
        QCOMPARE(r.ring.has_value(), rang);
        // Only a stored request grows the table.
        QCOMPARE(m_table.size(), std::size_t(reply.size() == 24 && reply[2] == 0 && quint8(reply[1]) != 2 &&
                                                     quint8(reply[1]) != 1 && quint8(reply[1]) != 0xd7
                                                 ? 1
                                                 : 0));
    }

    void privilegedSourcePortsAreNeverAnswered_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("answered");
        const QByteArray probe = hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY);
        const QByteArray announce = hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY);
        const QByteArray reply = hex("01 01 00 00 00000001" ADDR); // a daemon's reply, sent back at it
        const QByteArray badVersion = hex("02 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY);
        QTest::newRow("probe from the talk port") << probe << 518 << false;
        QTest::newRow("announce from the old talk port") << announce << 517 << false;
        QTest::newRow("a reply from the talk port") << reply << 518 << false;
        QTest::newRow("bad version from port 1") << badVersion << 1 << false;
        QTest::newRow("probe from port 0") << probe << 0 << false;
        QTest::newRow("announce from port 1023") << announce << 1023 << false;
        QTest::newRow("announce from port 1024") << announce << 1024 << true;
        QTest::newRow("bad version from an ephemeral port") << badVersion << 40001 << true;
    }

    void privilegedSourcePortsAreNeverAnswered() {
        QFETCH(QByteArray, request);
        QFETCH(int, port);
        QFETCH(bool, answered);
        const Result r = send(request, 3, LOCALHOST, true, std::uint16_t(port));
        QCOMPARE(r.replyLength != 0, answered);
        // Dropped means no effect either: nothing rings, nothing is stored.
        QCOMPARE(r.ring.has_value(), answered && quint8(request[1]) == talk::ANNOUNCE);
        QCOMPARE(m_table.size(), std::size_t(r.ring ? 1 : 0));
    }

    void deleteFromElsewhereRemovesNothing() {
        // The user's own invitation, and a stranger's announcement.
        send(hex("01 00 00 00 00000000" ADDR CTL PID TESTER ALICE TTY));
        send(hex("01 03 00 00 ffffffff" ADDR CTL2 PID ALICE TESTER TTY), 3, REMOTE, false);
        QCOMPARE(m_table.size(), std::size_t(2));
        // Another host guesses both ids: SUCCESS, its own prompts close, the table keeps both.
        for (const char* id : {"00000001", "00000002"}) {
            const Result r =
                send(hex("01 02 00 00") + hex(id) + hex(ADDR CTL PID ALICE TESTER TTY), 3, REMOTE + 1, false);
            QCOMPARE(bytes(r).toHex(' '), hex("01 02 00 00 00000002" ADDR).toHex(' '));
            QVERIFY(r.closePrompts);
            QCOMPARE(r.closePrompts->host, std::string("10.77.0.3"));
        }
        QCOMPARE(m_table.size(), std::size_t(2));
        // The announcer takes its own back; this machine takes the user's.
        send(hex("01 02 00 00 00000002" ADDR CTL PID ALICE TESTER TTY), 3, REMOTE, false);
        QCOMPARE(m_table.size(), std::size_t(1));
        send(hex("01 02 00 00 00000001" ADDR CTL PID TESTER ALICE TTY));
        QCOMPARE(m_table.size(), std::size_t(0));
    }

    void announceRingsWithItsEffects() {
        const Result r = send(hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY), 4, REMOTE, false);
        QVERIFY(r.ring);
        QCOMPARE(r.ring->action, 4);
        QCOMPARE(r.ring->host, std::string("10.77.0.2"));
        QCOMPARE(r.ring->name, std::string("alice"));
        QCOMPARE(r.ring->robotDelay, 7);
        // Stored with the effective delay in pad, answer 0 and the new id in host order.
        const auto all = m_table.oldestFirst();
        QCOMPARE(all.size(), std::size_t(1));
        QCOMPARE(all[0]->kind, InvitationTable::Kind::Announce);
        QCOMPARE(all[0]->message[3], std::uint8_t(7));
        QCOMPARE(all[0]->message[2], std::uint8_t(0));
        std::uint32_t id = 0;
        std::memcpy(&id, all[0]->message.data() + 4, 4);
        QCOMPARE(id, 1u);
    }

    void robotDelay_data() {
        QTest::addColumn<int>("pad");
        QTest::addColumn<int>("ltra");
        QTest::addColumn<int>("delay");
        QTest::newRow("unix caller, default setting") << 0 << 7 << 7;
        QTest::newRow("2 is not given") << 2 << 20 << 20;
        QTest::newRow("3 is taken") << 3 << 7 << 3;
        QTest::newRow("capped at the setting") << 200 << 20 << 20;
        QTest::newRow("below the setting") << 10 << 20 << 10;
        QTest::newRow("1 counts as 70") << 1 << 100 << 70;
    }

    void robotDelay() {
        QFETCH(int, pad);
        QFETCH(int, ltra);
        QFETCH(int, delay);
        m_view.ltra = ltra;
        QByteArray request = hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY);
        request[3] = char(pad);
        const Result r = send(request, 3, REMOTE, false);
        QVERIFY(r.ring);
        QCOMPARE(r.ring->robotDelay, delay);
        QCOMPARE(int(r.reply[3]), delay);
    }

    void reannouncementIsAbsorbedWhilePromptIsOpen() {
        QVERIFY(send(hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY), 3, REMOTE, false).ring);
        m_prompts.open.insert({"alice", "10.77.0.2"});
        // Unix talk re-announces with the last id + 1; the name in other letter case is the same caller.
        const Result r =
            send(hex("01 03 00 00 00000002" ADDR CTL2 PID "414c49434500000000000000" TESTER TTY), 3, REMOTE, false);
        QCOMPARE(bytes(r).toHex(' '), hex("01 03 00 00 00000002" ADDR).toHex(' '));
        QVERIFY(!r.ring);
        QCOMPARE(m_table.size(), std::size_t(1));
        // After Ignore the next one rings again; the same control address stores nothing new.
        m_prompts.open.clear();
        const Result again = send(hex("01 03 00 00 00000002" ADDR CTL PID ALICE TESTER TTY), 3, REMOTE, false);
        QVERIFY(again.ring);
        QCOMPARE(bytes(again).toHex(' '), hex("01 03 00 07 00000001" ADDR).toHex(' '));
        QCOMPARE(m_table.size(), std::size_t(1));
    }

    void promptBoundsAnswerFailed() {
        for (int i = 0; i < bounds::MAX_PROMPTS_PER_HOST; ++i)
            m_prompts.open.insert({"caller" + std::to_string(i), "10.77.0.2"});
        Result r = send(hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY), 3, REMOTE, false);
        QCOMPARE(bytes(r).toHex(' '), hex("01 03 02 00 00000000" ADDR).toHex(' '));
        QVERIFY(!r.ring);
        QCOMPARE(m_table.size(), std::size_t(0));
        // Another host may still ring, until 32 are open in all.
        r = send(hex("01 03 00 00 ffffffff" ADDR CTL PID ALICE TESTER TTY), 3, REMOTE + 1, false);
        QVERIFY(r.ring);
        for (int i = int(m_prompts.open.size()); i < bounds::MAX_PROMPTS; ++i)
            m_prompts.open.insert({"other" + std::to_string(i), "10.77.0." + std::to_string(10 + i)});
        r = send(hex("01 03 00 00 ffffffff" ADDR CTL2 PID ALICE TESTER TTY), 3, REMOTE + 2, false);
        QCOMPARE(r.reply[2], std::uint8_t(talk::FAILED));
        QCOMPARE(m_table.size(), std::size_t(1));
    }

    void lookUpFindsTheOldestMatchingInvitation() {
        // "tester" calls "alice" twice (two control addresses), then "tester" calls "bob".
        send(hex("01 00 00 00 00000000 0002 1111 7f000001 0000000000000000" CTL PID TESTER ALICE TTY));
        send(hex("01 00 00 00 00000000 0002 2222 7f000001 0000000000000000" CTL2 PID TESTER ALICE TTY));
        send(hex(
            "01 00 00 00 00000000 0002 3333 7f000001 0000000000000000 0002 0001 7f000001 0000000000000000" PID TESTER
                BOB TTY));
        QCOMPARE(m_table.lastId(), 3u);
        // Alice (in capitals) looks for an invitation from tester: the first one, with the last id in the reply.
        const Result r = send(hex("01 01 00 00 00000000" ADDR CTL PID "414c49434500000000000000" TESTER TTY));
        QCOMPARE(bytes(r).toHex(' '), hex("01 01 00 00 00000003 0002 1111 7f000001 0000000000000000").toHex(' '));
        // Delete it (id 1): the next look-up finds the second.
        const Result d = send(hex("01 02 00 00 00000001" ADDR CTL PID TESTER ALICE TTY));
        QCOMPARE(bytes(d).toHex(' '), hex("01 02 00 00 00000003" ADDR).toHex(' '));
        QVERIFY(d.closePrompts);
        QCOMPARE(d.closePrompts->name, std::string("tester"));
        QCOMPARE(d.closePrompts->host, std::string("127.0.0.1"));
        const Result r2 = send(hex("01 01 00 00 00000000" ADDR CTL PID ALICE TESTER TTY));
        QCOMPARE(bytes(r2).toHex(' '), hex("01 01 00 00 00000003 0002 2222 7f000001 0000000000000000").toHex(' '));
    }

    void sameControlAddressStoresOnce() {
        const Result a = send(hex("01 00 00 00 00000000" ADDR CTL PID ALICE TESTER TTY));
        const Result b = send(hex("01 00 00 00 00000000" ADDR CTL PID ALICE BOB TTY));
        QCOMPARE(bytes(a), bytes(b));
        QCOMPARE(m_table.size(), std::size_t(1));
    }

    void fullNameIsCutWithoutTerminator() {
        m_view.fullName = "Abcdefghijklmnopqrstuvwxyz0123456789";
        m_view.loginName = "twelvecharsx"; // a probe reply carries the login name as the daemon has it
        const Result r = send(hex("01 01 00 00 d7000000" ADDR CTL PID ALICE TESTER TTY));
        QCOMPARE(r.replyLength, std::size_t(84));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r.reply.data()) + 56, 28),
                 QByteArray("Abcdefghijklmnopqrstuvwxyz01"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r.reply.data()) + 44, 12), QByteArray("twelvecharsx"));
    }

    void idsWrapToOne() {
        m_table.setLastId(0xFFFFFFFEu);
        QCOMPARE(bytes(send(hex("01 00 00 00 00000000" ADDR CTL PID ALICE TESTER TTY))).mid(4, 4).toHex(),
                 QByteArray("ffffffff"));
        QCOMPARE(bytes(send(hex("01 00 00 00 00000000" ADDR CTL2 PID ALICE TESTER TTY))).mid(4, 4).toHex(),
                 QByteArray("00000001"));
    }
};

QTEST_GUILESS_MAIN(TestRequestHandler)
#include "tst_requesthandler.moc"
