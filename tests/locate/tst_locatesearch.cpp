// A search over real sockets: fake daemons on loopback addresses answer its probes.
#include "locate/LocateSearch.h"
#include "locate/LocateTexts.h"
#include "platform/LoginName.h"

#include "FakeAppContext.h"
#include "FakeDaemon.h"
#include "LocateTestData.h"
#include "TempProfile.h"

#include <QHostInfo>
#include <QSignalSpy>
#include <QTest>

using Kind = FakeDaemon::Kind;
using locatetest::writePerson;

class TestLocateSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<FakeAppContext> m_core;
    std::unique_ptr<FakeDaemon> m_daemons;

    std::unique_ptr<LocateSearch> startSearch(const QStringList& hosts, bool autoConnect, bool urgent = false,
                                              int autowrap = 15) {
        writePerson(m_profile->store(), "Ann", {{"ann", hosts}});
        m_core->settings().showlookup = autoConnect ? 1 : 0;
        m_core->settings().autowrap = autowrap;
        auto search = std::make_unique<LocateSearch>(*m_core, urgent, "Ann");
        return search;
    }

    static const LocateRow& row(const LocateSearch& s, int i) { return s.engine().rows()[std::size_t(i)]; }

private slots:
    void init() {
        m_profile = std::make_unique<TempProfile>();
        m_core = std::make_unique<FakeAppContext>(m_profile->store());
        m_daemons = std::make_unique<FakeDaemon>();
        m_core->setRemoteDaemonPort(m_daemons->port());
    }
    void cleanup() {
        m_daemons.reset();
        m_core.reset();
        m_profile.reset();
        LoginName::setRawOverride(std::nullopt); // even when the probe's test failed before it put it back
    }

    void tellsDaemonsApart() {
        QVERIFY(m_daemons->add("127.0.0.1", Kind::Unix, talk::NOT_HERE));
        QVERIFY(m_daemons->add("127.0.0.2", Kind::Program, talk::REFUSED_UNLESS_URGENT, "carol"));
        QVERIFY(m_daemons->add("127.0.0.3", Kind::Program, talk::REFUSED_EVEN_URGENT, "dave"));
        QVERIFY(m_daemons->add("127.0.0.4", Kind::Program, talk::ROBOT_PRESENT, "erin"));
        QVERIFY(m_daemons->add("127.0.0.5", Kind::Silent));
        QVERIFY(m_daemons->add("127.0.0.6", Kind::Program, talk::USER_PRESENT, "frank"));
        auto s = startSearch({"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"}, false);
        QSignalSpy titles(s.get(), &LocateSearch::titleChanged);
        QSignalSpy talks(s.get(), &LocateSearch::talkRequested);
        s->start();
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles[0][0].toString(), QStringLiteral("Murmelo: looking for Ann (query #0)"));
        QTRY_VERIFY(row(*s, 0).state == 0 && row(*s, 1).state == 213 && row(*s, 2).state == 214 &&
                    row(*s, 3).state == 216 && row(*s, 5).state == 215);
        QCOMPARE(row(*s, 0).status, QStringLiteral("UNIX style talk daemon detected"));
        QCOMPARE(row(*s, 0).locatedUser.text, QStringLiteral("Unknown"));
        QCOMPARE(row(*s, 1).status, QStringLiteral("Rejected (urgent accepted)."));
        QCOMPARE(row(*s, 1).locatedUser.text, QStringLiteral("carol"));
        QCOMPARE(row(*s, 2).status, QStringLiteral("Rejected (even urgent)."));
        QCOMPARE(row(*s, 3).status, QStringLiteral("erin's talk robot detected."));
        QCOMPARE(row(*s, 5).status, QStringLiteral("User frank detected."));
        QCOMPARE(row(*s, 4).status, QStringLiteral("Scanning for remote talk daemon..."));
        QCOMPARE(row(*s, 4).state, -1);
        QCOMPARE(m_daemons->host("127.0.0.5").received.size(), std::size_t(1));
        QTest::qWait(50);
        QCOMPARE(talks.size(), 0); // auto-connect off: never
        QCOMPARE(s->engine().userFor(0).text, QStringLiteral("ann"));
        QCOMPARE(s->engine().userFor(3).text, QStringLiteral("erin"));
    }

    // The probe as a daemon reads it.
    void probeLayout() {
        LoginName::setRawOverride(QStringLiteral("tester"));
        QVERIFY(m_daemons->add("127.0.0.1", Kind::Unix));
        auto s = startSearch({"127.0.0.1"}, false);
        s->start();
        QTRY_COMPARE(m_daemons->host("127.0.0.1").received.size(), std::size_t(1));
        LoginName::setRawOverride(std::nullopt);
        const QByteArray bytes = m_daemons->host("127.0.0.1").received[0];
        QCOMPARE(bytes.size(), 84);
        const auto m = talk::ControlMessage::decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()), 84);
        QCOMPARE(m.vers, 1);
        QCOMPARE(m.type, talk::LOOK_UP);
        QCOMPARE(m.answer, 0);
        QVERIFY(m.id_num == talk::PROBE_ID_REQUEST);
        QCOMPARE(m.addr.family, talk::AF_INET_WIRE);
        QCOMPARE(m.addr.port, s->localPort());
        QCOMPARE(m.addr.ip, 0x7F000001u);
        QVERIFY(m.ctl_addr == m.addr);
        QCOMPARE(m.localName(), std::string("tester"));
        QCOMPARE(m.remoteName(), std::string());
        QCOMPARE(bytes.mid(56), QByteArray(28, '\0'));
    }

    void autoConnect_data() {
        QTest::addColumn<QList<int>>("answers"); // 0: Unix, -1: silent, else the program's answer
        QTest::addColumn<bool>("urgent");
        QTest::addColumn<int>("called"); // -1: none
        QTest::newRow("user present") << QList<int>{0, 215, 216} << false << 1;
        QTest::newRow("robot once all answered") << QList<int>{216, 0, 214} << false << 0;
        QTest::newRow("robot, one host silent") << QList<int>{216, -1} << false << -1;
        QTest::newRow("urgent takes 213") << QList<int>{213, 0} << true << 0;
        QTest::newRow("213 not urgent") << QList<int>{213, 0} << false << -1;
    }
    void autoConnect() {
        QFETCH(QList<int>, answers);
        QFETCH(bool, urgent);
        QFETCH(int, called);
        QStringList hosts;
        for (int i = 0; i < int(answers.size()); ++i) {
            const QString a = QStringLiteral("127.0.0.%1").arg(i + 1);
            hosts << a;
            const int ans = answers[i];
            QVERIFY(m_daemons->add(a,
                                   ans < 0    ? Kind::Silent
                                   : ans == 0 ? Kind::Unix
                                              : Kind::Program,
                                   std::uint8_t(ans < 0 ? 0 : ans), "u" + std::to_string(i)));
        }
        auto s = startSearch(hosts, true, urgent);
        QSignalSpy talks(s.get(), &LocateSearch::talkRequested);
        s->start();
        QTRY_COMPARE(m_daemons->totalReceived(), int(answers.size()));
        if (called < 0) {
            QTest::qWait(200);
            QCOMPARE(talks.size(), 0);
            QVERIFY(!s->stopped());
        } else {
            QTRY_COMPARE(talks.size(), 1);
            QCOMPARE(talks[0][0].toInt(), called);
            QVERIFY(s->stopped());
            QTest::qWait(50);
            QCOMPARE(talks.size(), 1);
        }
    }

    void hostileDatagramsDropped_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("85 bytes") << int(Kind::Oversize);
        QTest::newRow("23 bytes") << int(Kind::Runt);
        QTest::newRow("not from the daemon's port") << int(Kind::Elsewhere);
    }
    void hostileDatagramsDropped() {
        QFETCH(int, kind);
        QVERIFY(m_daemons->add("127.0.0.1", Kind(kind), talk::SUCCESS, "mallory"));
        QVERIFY(m_daemons->add("127.0.0.2", Kind::Unix));
        auto s = startSearch({"127.0.0.1", "127.0.0.2"}, true);
        QSignalSpy talks(s.get(), &LocateSearch::talkRequested);
        s->start();
        QTRY_COMPARE(row(*s, 1).state, 0);
        QTest::qWait(100);
        QCOMPARE(row(*s, 0).state, -1);
        QCOMPARE(row(*s, 0).status, LocateTexts::SCANNING);
        QCOMPARE(talks.size(), 0);
        QCOMPARE(s->pendingAddressLookups(), 0);
    }

    // A name row is looked up once; its replies come from an address, which is looked up in turn.
    void namesAndReverseLookups() {
        QVERIFY(m_daemons->add("127.0.0.1", Kind::Program, talk::ROBOT_PRESENT, "gina"));
        auto s = startSearch({"localhost", "nosuchhost.invalid"}, false, false, 1);
        s->start();
        QCOMPARE(row(*s, 0).status, QStringLiteral("Looking up host..."));
        QCOMPARE(row(*s, 1).status, QStringLiteral("Looking up host..."));
        QTRY_COMPARE(row(*s, 1).status, QStringLiteral("Invalid host name."));
        QCOMPARE(row(*s, 1).state, -3);
        QTRY_COMPARE(row(*s, 0).state, 216);
        QCOMPARE(row(*s, 0).host, QStringLiteral("localhost"));
        QCOMPARE(row(*s, 0).status, QStringLiteral("gina's talk robot detected."));
        // The next cycle probes the address directly and keeps the failed name as it is.
        QTRY_VERIFY_WITH_TIMEOUT(s->engine().queryNumber() == 1, 3000);
        QTRY_COMPARE(m_daemons->host("127.0.0.1").received.size(), std::size_t(2));
        QCOMPARE(row(*s, 1).status, QStringLiteral("Invalid host name."));
        QTRY_COMPARE(row(*s, 0).state, 216);
    }

    // Strays that match no row are looked up by address, but never more than a bounded number at once.
    void strayRepliesBounded() {
        QVERIFY(m_daemons->add("127.0.0.5", Kind::Silent));
        auto s = startSearch({"127.0.0.5"}, false);
        s->start();
        QUdpSocket stray;
        QVERIFY(stray.bind(QHostAddress("127.0.0.9"), m_daemons->port()));
        const QByteArray reply = locatetest::unixReply();
        for (int i = 0; i < 100; ++i)
            stray.writeDatagram(reply, QHostAddress("127.0.0.1"), s->localPort());
        // All 100 wait in the socket before the event loop runs, so one read sees them all.
        QTRY_COMPARE(s->droppedStrays(), 100 - bounds::MAX_PENDING_ADDRESS_LOOKUPS);
        QTRY_COMPARE(s->pendingAddressLookups(), 0);
        QCOMPARE(row(*s, 0).state, -1); // no name of 127.0.0.9 begins the row's host text
    }

    void redialRepeatsProbes() {
        QVERIFY(m_daemons->add("127.0.0.1", Kind::Program, talk::USER_PRESENT, "hal"));
        auto s = startSearch({"127.0.0.1"}, false, false, 1);
        QSignalSpy titles(s.get(), &LocateSearch::titleChanged);
        s->start();
        QTRY_COMPARE(row(*s, 0).state, 215);
        QTRY_COMPARE_WITH_TIMEOUT(titles.size(), 2, 3000);
        QCOMPARE(titles[1][0].toString(), QStringLiteral("Murmelo: looking for Ann (query #1)"));
        QTRY_COMPARE(m_daemons->host("127.0.0.1").received.size(), std::size_t(2));
        s->stop();
        QTest::qWait(1200);
        QCOMPARE(titles.size(), 2);
    }

    // Deleting a search with look-ups under way must not call back into it: the name it was looking up is never
    // probed, even once the name service has answered.
    void deletedWhileLookingUp() {
        QVERIFY(m_daemons->add("127.0.0.1", Kind::Program, talk::USER_PRESENT, "ivan"));
        auto s = startSearch({"localhost", "nosuchhost.invalid"}, false);
        s->start();
        QCOMPARE(row(*s, 0).status, QStringLiteral("Looking up host..."));
        s.reset();
        // The same names looked up again, after the search's own look-ups: once both have answered, a look-up
        // that had reached the search would have probed localhost's daemon.
        int answered = 0;
        QObject context;
        for (const char* name : {"localhost", "nosuchhost.invalid"})
            QHostInfo::lookupHost(QString::fromLatin1(name), &context, [&answered](const QHostInfo&) { ++answered; });
        QTRY_COMPARE(answered, 2);
        QCOMPARE(m_daemons->totalReceived(), 0);
        QVERIFY(!m_daemons->host("127.0.0.1").socket->hasPendingDatagrams());
    }

    // 254 hosts in one cycle: every one probed and every reply attributed to its own row (bench_locate times it).
    void wholeRange() {
        for (int i = 1; i <= 254; ++i)
            QVERIFY(m_daemons->add(QStringLiteral("127.0.1.%1").arg(i), i % 2 ? Kind::Unix : Kind::Program,
                                   i % 2 ? talk::NOT_HERE : talk::USER_PRESENT, "u" + std::to_string(i)));
        auto s = startSearch({"#127.0.1.1 254"}, false);
        QCOMPARE(s->engine().rows().size(), std::size_t(254));
        s->start();
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(s->engine().rows().begin(), s->engine().rows().end(),
                                             [](const LocateRow& r) { return r.state >= 0; }),
                                 10000);
        for (int i = 0; i < 254; ++i) {
            const int n = i + 1;
            QCOMPARE(row(*s, i).host, QStringLiteral("127.0.1.%1").arg(n));
            QCOMPARE(row(*s, i).state, n % 2 ? 0 : 215);
            if (n % 2 == 0)
                QCOMPARE(row(*s, i).locatedUser.text, QStringLiteral("u%1").arg(n));
        }
    }
};

QTEST_GUILESS_MAIN(TestLocateSearch)
#include "tst_locatesearch.moc"
