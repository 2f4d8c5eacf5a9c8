// The search logic without sockets: cycles, reply matching, interpretation, the call rules.
#include "locate/LocateEngine.h"
#include "locate/LocateTexts.h"
#include "locate/ReplyInterpretation.h"
#include "locate/WaitingRowIndex.h"

#include "LocateTestData.h"

#include <QTest>

using locatetest::probeReply;
using locatetest::unixReply;

namespace {

QueryPlan planOf(const std::vector<PlanEntry>& entries) {
    QueryPlan p;
    p.entries = entries;
    p.aliasCount = 1;
    p.hostCount = int(entries.size());
    return p;
}

int apply(LocateEngine& e, int row, const QByteArray& reply) {
    return e.applyReply(row, reinterpret_cast<const std::uint8_t*>(reply.constData()), std::size_t(reply.size()));
}

// Matches a reply as the search does and applies it; returns the row it went to.
int deliver(LocateEngine& e, const QString& sender, const QByteArray& reply, int* callRow = nullptr) {
    const int row = e.matchReply(sender);
    if (row != LocateEngine::NO_ROW) {
        const int call = apply(e, row, reply);
        if (callRow)
            *callRow = call;
    }
    return row;
}

} // namespace

class TestLocateEngine : public QObject {
    Q_OBJECT

private slots:
    void firstCycleTitleAndRows() {
        LocateEngine e("Ann Smith", false, true,
                       planOf({{"ann", "10.0.0.5"}, {"ann", "localhost"}, {"root", "#10.0.0 300", true}}));
        // A range of no address is a row like any other host, which says why nothing is searched there.
        const LocateRow badRange{"#10.0.0 300", "root", "Invalid address range.", WireName::typed("Unknown"), -4};
        QCOMPARE(e.rows()[2], badRange);
        const LocateEngine::Cycle c = e.beginCycle();
        QCOMPARE(e.queryNumber(), 0);
        QVERIFY(e.title().endsWith(" (query #0)"));
        QCOMPARE(e.title(), QStringLiteral("Murmelo: looking for Ann Smith (query #0)"));
        QCOMPARE(c.probes, (std::vector<LocateEngine::Step>{{0, "10.0.0.5"}}));
        QCOMPARE(c.lookups, (std::vector<LocateEngine::Step>{{1, "localhost"}}));
        QCOMPARE(e.rows()[0].status, QStringLiteral("Scanning for remote talk daemon..."));
        QCOMPARE(e.rows()[0].state, -1);
        QCOMPARE(e.rows()[0].locatedUser.text, QStringLiteral("Unknown"));
        QCOMPARE(e.rows()[1].status, QStringLiteral("Looking up host..."));
        QCOMPARE(e.rows()[1].state, -2);
        QCOMPARE(e.outstandingReplies(), 1);
        QCOMPARE(e.rows()[2], badRange);
        QVERIFY(!e.canTalkTo(2));
        QCOMPARE(e.beginCycle().probes.size(), std::size_t(1));
        QCOMPARE(e.title(), QStringLiteral("Murmelo: looking for Ann Smith (query #1)"));
        QCOMPARE(e.rows()[2], badRange);
        QCOMPARE(LocateTexts::title(QStringLiteral("bob%1"), 2),
                 QStringLiteral("Murmelo: looking for bob%1 (query #2)"));
    }

    void everyCycleResetsProbedRows() {
        LocateEngine e("P", false, false,
                       planOf({{"a", "10.0.0.1"}, {"b", "bad.invalid"}, {"c", "localhost"}, {"d", "10.0.0.2"}}));
        LocateEngine::Cycle c0 = e.beginCycle();
        QCOMPARE(c0.lookups.size(), std::size_t(2));
        QVERIFY(!e.nameLookupFinished(1, QString()));
        QCOMPARE(e.rows()[1].status, QStringLiteral("Invalid host name."));
        QCOMPARE(e.rows()[1].state, -3);
        QCOMPARE(e.nameLookupFinished(2, "127.0.0.1"), std::optional<QString>("127.0.0.1"));
        QCOMPARE(e.rows()[2].host, QStringLiteral("localhost")); // the row keeps the name
        QCOMPARE(e.plan().entries[2].host, QStringLiteral("127.0.0.1"));
        QCOMPARE(deliver(e, "10.0.0.1", probeReply(talk::ROBOT_PRESENT, "ann")), 0);
        QCOMPARE(deliver(e, "10.0.0.2", unixReply()), 3);
        QCOMPARE(e.rows()[0].locatedUser.text, QStringLiteral("ann"));
        QCOMPARE(e.rows()[0].status, QStringLiteral("ann's talk robot detected."));

        const LocateEngine::Cycle c1 = e.beginCycle();
        QVERIFY(c1.lookups.empty());
        QCOMPARE(c1.probes, (std::vector<LocateEngine::Step>{{0, "10.0.0.1"}, {2, "127.0.0.1"}, {3, "10.0.0.2"}}));
        for (int row : {0, 2, 3}) {
            QCOMPARE(e.rows()[std::size_t(row)].status, QStringLiteral("Scanning for remote talk daemon..."));
            QCOMPARE(e.rows()[std::size_t(row)].locatedUser.text, QStringLiteral("Unknown"));
            QCOMPARE(e.rows()[std::size_t(row)].state, -1);
        }
        QCOMPARE(e.rows()[1].status, QStringLiteral("Invalid host name."));
        QCOMPARE(e.rows()[1].state, -3);
        QCOMPARE(e.outstandingReplies(), 3);
        QCOMPARE(deliver(e, "127.0.0.1", unixReply()), 2); // the looked-up address, in a later cycle too
    }

    void sameHostUnderTwoAliases() {
        LocateEngine e("P", false, false, planOf({{"ann", "10.0.0.7"}, {"root", "10.0.0.7"}}));
        QCOMPARE(e.beginCycle().probes.size(), std::size_t(2));
        QCOMPARE(deliver(e, "10.0.0.7", unixReply(talk::NOT_HERE)), 0);
        QCOMPARE(e.rows()[0].status, QStringLiteral("UNIX style talk daemon detected"));
        QCOMPARE(e.rows()[1].state, -1);
        QCOMPARE(deliver(e, "10.0.0.7", unixReply(talk::SUCCESS)), 1);
        QCOMPARE(e.rows()[1].status, QStringLiteral("UNIX style talk daemon detected"));
        // A third reply finds no waiting row.
        QCOMPARE(e.matchReply("10.0.0.7"), LocateEngine::NO_ROW);
    }

    void prefixAttribution_data() {
        QTest::addColumn<QStringList>("hosts");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<int>("row");
        QTest::newRow("10.0.0.1 to the waiting 10.0.0.12 listed first")
            << QStringList{"10.0.0.12", "10.0.0.1"} << "10.0.0.1" << 0;
        QTest::newRow("exact row listed first") << QStringList{"10.0.0.1", "10.0.0.12"} << "10.0.0.1" << 0;
        QTest::newRow("10.0.0.12 never to 10.0.0.1") << QStringList{"10.0.0.1", "10.0.0.12"} << "10.0.0.12" << 1;
        QTest::newRow("letter case ignored") << QStringList{"Alpha.Example", "x"} << "alpha.EXAMPLE" << 0;
        QTest::newRow("name prefix") << QStringList{"10.0.0.3", "localhost.localdomain"} << "localhost" << 1;
        QTest::newRow("no match") << QStringList{"10.0.0.2", "10.0.0.3"} << "10.0.0.4" << -1;
        QTest::newRow("longer sender than host") << QStringList{"10.0.0.1"} << "10.0.0.10" << -1;
        // name=address: the name was looked up to that address.
        QTest::newRow("short name looked up to the sender")
            << QStringList{"10.0.0.3", "pc17=10.77.50.2"} << "10.77.50.2" << 1;
        QTest::newRow("looked-up row listed first")
            << QStringList{"pc17=10.77.50.2", "10.77.50.2", "pc=10.77.50.2"} << "10.77.50.2" << 0;
        QTest::newRow("prefix row listed first") << QStringList{"10.77.50.2", "pc17=10.77.50.2"} << "10.77.50.2" << 0;
        QTest::newRow("looked-up address matched whole") << QStringList{"pc17=10.77.50.20"} << "10.77.50.2" << -1;
        QTest::newRow("not by the name's own prefix") << QStringList{"pc17=10.77.50.2"} << "pc17.lab.example" << -1;
    }
    void prefixAttribution() {
        QFETCH(QStringList, hosts);
        QFETCH(QString, sender);
        QFETCH(int, row);
        std::vector<PlanEntry> entries;
        for (const QString& h : hosts)
            entries.push_back({"a", h.section('=', 0, 0)});
        // Rows that are names are waiting only after their look-up; for this rule give them one.
        LocateEngine e("P", false, false, planOf(entries));
        e.beginCycle();
        for (int i = 0; i < int(hosts.size()); ++i)
            if (e.rows()[std::size_t(i)].state == -2)
                e.nameLookupFinished(i,
                                     hosts[i].contains('=') ? hosts[i].section('=', 1) : QStringLiteral("192.0.2.1"));
        QCOMPARE(e.matchReply(sender), row);
    }

    // Only waiting rows take replies, and the index follows every change of state.
    void waitingIndex() {
        WaitingRowIndex index(QStringList{"10.0.0.12", "10.0.0.1", "10.0.0.100", "b", "A"});
        QCOMPARE(index.firstWithPrefix("10.0.0.1"), -1);
        index.setWaiting(2, true);
        QCOMPARE(index.firstWithPrefix("10.0.0.1"), 2);
        index.setWaiting(1, true);
        QCOMPARE(index.firstWithPrefix("10.0.0.1"), 1);
        index.setWaiting(0, true);
        QCOMPARE(index.firstWithPrefix("10.0.0.1"), 0);
        QCOMPARE(index.firstWithPrefix("10.0.0.10"), 2);
        index.setWaiting(0, false);
        QCOMPARE(index.firstWithPrefix("10.0.0.1"), 1);
        index.setWaiting(4, true);
        QCOMPARE(index.firstWithPrefix("a"), 4);
        QCOMPARE(index.firstWithPrefix(""), 1);
        QVERIFY(index.isWaiting(4));
        QVERIFY(!index.isWaiting(3));
        index.setWaiting(99, true); // out of range: ignored
        QCOMPARE(WaitingRowIndex().firstWithPrefix("x"), -1);
        // Rows with a looked-up address take its replies while they wait, and before later rows by prefix.
        index.setAddress(3, "10.0.0.1");
        QCOMPARE(index.firstMatching("10.0.0.1"), 1);
        index.setWaiting(1, false);
        index.setWaiting(2, false);
        QCOMPARE(index.firstMatching("10.0.0.1"), -1);
        index.setWaiting(3, true);
        QCOMPARE(index.firstMatching("10.0.0.1"), 3);
        QCOMPARE(index.firstMatching("10.0.0.100"), -1);
        QCOMPARE(index.firstWithPrefix("10.0.0.1"), -1); // the prefix rule alone does not see it
        index.setAddress(3, "10.0.0.2");
        QCOMPARE(index.firstMatching("10.0.0.1"), -1);
        QCOMPARE(index.firstMatching("10.0.0.2"), 3);
        index.setWaiting(3, false);
        QCOMPARE(index.firstMatching("10.0.0.2"), -1);
    }

    // Against a plain scan over many random host texts and states.
    void waitingIndexAgreesWithScan() {
        QStringList hosts;
        std::uint32_t seed = 12345;
        auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
        for (int i = 0; i < 300; ++i)
            hosts << QStringLiteral("10.%1.0.%2").arg(next() % 3).arg(next() % 40);
        WaitingRowIndex index(hosts);
        std::vector<bool> waiting(hosts.size(), false);
        for (int step = 0; step < 2000; ++step) {
            const int row = int(next() % hosts.size());
            waiting[std::size_t(row)] = next() % 2;
            index.setWaiting(row, waiting[std::size_t(row)]);
            const QString prefix = hosts[int(next() % hosts.size())].left(int(4 + next() % 6));
            int expected = -1;
            for (int i = 0; i < int(hosts.size()) && expected < 0; ++i)
                if (waiting[std::size_t(i)] && hosts[i].startsWith(prefix, Qt::CaseInsensitive))
                    expected = i;
            QCOMPARE(index.firstWithPrefix(prefix), expected);
        }
    }

    void interpretation_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("user");
        QTest::newRow("SUCCESS") << unixReply(talk::SUCCESS) << 0 << "UNIX style talk daemon detected"
                                 << "Unknown";
        QTest::newRow("NOT_HERE") << unixReply(talk::NOT_HERE) << 0 << "UNIX style talk daemon detected"
                                  << "Unknown";
        QTest::newRow("FAILED") << unixReply(talk::FAILED) << 2 << ""
                                << "Unknown";
        QTest::newRow("UNKNOWN_REQUEST") << unixReply(talk::UNKNOWN_REQUEST) << 5 << ""
                                         << "Unknown";
        QTest::newRow("213") << probeReply(213, "bob") << 213 << "Rejected (urgent accepted)."
                             << "bob";
        QTest::newRow("214") << probeReply(214, "bob") << 214 << "Rejected (even urgent)."
                             << "bob";
        QTest::newRow("215") << probeReply(215, "bob") << 215 << "User bob detected."
                             << "bob";
        QTest::newRow("216") << probeReply(216, "bob") << 216 << "bob's talk robot detected."
                             << "bob";
        QTest::newRow("217") << probeReply(217, "bob") << 217 << ""
                             << "bob";
        QTest::newRow("215 without the marker") << probeReply(215, "bob", false) << 215 << "User bob detected."
                                                << "Unknown";
        QTest::newRow("12-byte name, no terminator")
            << probeReply(215, "abcdefghijkl") << 215 << "User abcdefghijkl detected."
            << "abcdefghijkl";
        QTest::newRow("markup stays text") << probeReply(215, "<b>x</b>") << 215 << "User <b>x</b> detected."
                                           << "<b>x</b>";
        QTest::newRow("escape in caret form") << probeReply(216, "a\x1b[2Jb") << 216 << "a^[[2Jb's talk robot detected."
                                              << "a\x1b[2Jb";
        QTest::newRow("Latin-1 byte") << probeReply(215, "j\xf6rg") << 215 << QString::fromUtf8("User jörg detected.")
                                      << QString::fromUtf8("jörg");
    }
    void interpretation() {
        QFETCH(QByteArray, reply);
        QFETCH(int, state);
        QFETCH(QString, status);
        QFETCH(QString, user);
        LocateEngine e("P", false, false, planOf({{"alias", "10.0.0.1"}}));
        e.beginCycle();
        QCOMPARE(apply(e, 0, reply), LocateEngine::NO_ROW);
        QCOMPARE(e.rows()[0].state, state);
        QCOMPARE(e.rows()[0].status, status);
        QCOMPARE(e.rows()[0].locatedUser.text, user);
    }

    void autoConnect_data() {
        QTest::addColumn<bool>("autoConnect");
        QTest::addColumn<bool>("urgent");
        QTest::addColumn<QList<int>>("answers"); // one per row, in arrival order; 0 = Unix daemon
        QTest::addColumn<QList<int>>("calls");   // the call decision after each reply (-1 none)
        QTest::newRow("215 at once") << true << false << QList<int>{0, 215, 216} << QList<int>{-1, 1, -1};
        QTest::newRow("213 not urgent") << true << false << QList<int>{213, 0} << QList<int>{-1, -1};
        QTest::newRow("213 urgent") << true << true << QList<int>{0, 213} << QList<int>{-1, 1};
        QTest::newRow("214 urgent") << true << true << QList<int>{214, 0} << QList<int>{-1, -1};
        QTest::newRow("216 when all answered") << true << false << QList<int>{216, 0, 216} << QList<int>{-1, -1, 2};
        QTest::newRow("216 waits for the last reply") << true << false << QList<int>{216, 0} << QList<int>{-1, 0};
        QTest::newRow("off: never") << false << true << QList<int>{216, 213, 215} << QList<int>{-1, -1, -1};
    }
    void autoConnect() {
        QFETCH(bool, autoConnect);
        QFETCH(bool, urgent);
        QFETCH(QList<int>, answers);
        QFETCH(QList<int>, calls);
        std::vector<PlanEntry> entries;
        for (int i = 0; i < int(answers.size()); ++i)
            entries.push_back({"a", QStringLiteral("10.0.1.%1").arg(i + 1)});
        LocateEngine e("P", urgent, autoConnect, planOf(entries));
        e.beginCycle();
        for (int i = 0; i < int(answers.size()); ++i) {
            const QByteArray reply = answers[i] == 0 ? unixReply() : probeReply(std::uint8_t(answers[i]), "u");
            int call = -2;
            QCOMPARE(deliver(e, QStringLiteral("10.0.1.%1").arg(i + 1), reply, &call), i);
            QCOMPARE(call, calls[i]);
        }
    }

    // A row still waiting keeps the cycle from reaching zero: no robot is called.
    void silentHostKeepsCandidateWaiting() {
        LocateEngine e("P", false, true, planOf({{"a", "10.0.0.1"}, {"a", "10.0.0.2"}}));
        e.beginCycle();
        int call = -2;
        deliver(e, "10.0.0.1", probeReply(216, "u"), &call);
        QCOMPARE(call, -1);
        QCOMPARE(e.candidateRow(), 0);
        QCOMPARE(e.outstandingReplies(), 1);
        e.beginCycle();
        QCOMPARE(e.candidateRow(), -1);
    }

    void selection_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("urgent");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("Unix") << 0 << false << true;
        QTest::newRow("213 not urgent") << 213 << false << false;
        QTest::newRow("213 urgent") << 213 << true << true;
        QTest::newRow("214 not urgent") << 214 << false << false;
        QTest::newRow("214 urgent") << 214 << true << false;
        QTest::newRow("215") << 215 << false << true;
        QTest::newRow("216") << 216 << false << true;
        QTest::newRow("other answer") << 4 << true << false;
        QTest::newRow("still waiting") << -1 << true << false;
    }
    void selection() {
        QFETCH(int, answer);
        QFETCH(bool, urgent);
        QFETCH(bool, allowed);
        LocateEngine e("P", urgent, false, planOf({{"a", "10.0.0.1"}}));
        e.beginCycle();
        if (answer >= 0)
            apply(e, 0,
                  answer == 0 || answer == 4 ? unixReply(std::uint8_t(answer)) : probeReply(std::uint8_t(answer), "u"));
        QCOMPARE(e.canTalkTo(0), allowed);
        QVERIFY(!e.canTalkTo(1));
        QVERIFY(!e.canTalkTo(-1));
    }

    void userName_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QByteArray>("bytes"); // what the call sends
        QTest::newRow("Unix daemon: the alias") << unixReply() << "alias" << QByteArray("alias");
        QTest::newRow("our daemon: the located user") << probeReply(215, "bob") << "bob" << QByteArray("bob");
        QTest::newRow("our daemon without marker: still Unknown")
            << probeReply(216, "bob", false) << "Unknown" << QByteArray("Unknown");
        QTest::newRow("Latin-1 located user keeps its bytes")
            << probeReply(216, "j\xf6rg") << "j\u00f6rg" << QByteArray("j\xf6rg");
        QTest::newRow("UTF-8 located user")
            << probeReply(216, "j\xc3\xb6rg") << "j\u00f6rg" << QByteArray("j\xc3\xb6rg");
    }
    void userName() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, user);
        QFETCH(QByteArray, bytes);
        LocateEngine e("P", false, false, planOf({{"alias", "10.0.0.1"}}));
        e.beginCycle();
        apply(e, 0, reply);
        QCOMPARE(e.userFor(0).text, user);
        QCOMPARE(e.userFor(0).bytes, bytes);
    }
};

QTEST_GUILESS_MAIN(TestLocateEngine)
#include "tst_locateengine.moc"
