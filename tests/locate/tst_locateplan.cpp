// Address ranges and the query plan built from the address book.
#include "locate/AddressRange.h"
#include "locate/LocateTexts.h"
#include "locate/QueryPlan.h"

#include "LocateTestData.h"
#include "TempProfile.h"

#include <QTest>

using locatetest::writePerson;

class TestLocatePlan : public QObject {
    Q_OBJECT

private slots:
    void rangeExpansion_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected"); // "bad: " and the text: one entry for a range of no address
        QTest::newRow("5 to 7") << "#10.0.0.5 7" << QStringList{"10.0.0.5", "10.0.0.6", "10.0.0.7"};
        QTest::newRow("5 to 5: no address") << "#10.0.0.5 5" << QStringList{};
        QTest::newRow("last below first") << "#10.0.0.5 4" << QStringList{};
        QTest::newRow("two") << "#127.0.0.1 2" << QStringList{"127.0.0.1", "127.0.0.2"};
        QTest::newRow("blanks before the numbers") << "# 10. 1. 2.3   4" << QStringList{"10.1.2.3", "10.1.2.4"};
        QTest::newRow("no blank: a negative last") << "#10.0.0.1-2" << QStringList{};
        QTest::newRow("tab as the blank") << "#10.0.0.8\t9" << QStringList{"10.0.0.8", "10.0.0.9"};
        QTest::newRow("octal and hex like %i") << "#010.0x0A.0.1 02" << QStringList{"8.10.0.1", "8.10.0.2"};
        QTest::newRow("trailing text ignored") << "#10.0.0.1 2 and more" << QStringList{"10.0.0.1", "10.0.0.2"};
        QTest::newRow("whole last octet") << "#10.0.0.254 255" << QStringList{"10.0.0.254", "10.0.0.255"};
        QTest::newRow("octet above 255") << "#10.0.256.1 3" << QStringList{"bad: #10.0.256.1 3"};
        QTest::newRow("last past 255 ends at 255")
            << "#10.0.0.253 300" << QStringList{"10.0.0.253", "10.0.0.254", "10.0.0.255"};
        QTest::newRow("negative octet") << "#10.-1.0.1 3" << QStringList{"bad: #10.-1.0.1 3"};
        QTest::newRow("negative last") << "#10.0.0.1 -3" << QStringList{};
        QTest::newRow("huge last") << "#10.0.0.254 99999999999999999999999" << QStringList{"10.0.0.254", "10.0.0.255"};
        QTest::newRow("huge octet") << "#10.0.99999999999999999999.1 3"
                                    << QStringList{"bad: #10.0.99999999999999999999.1 3"};
        QTest::newRow("missing last") << "#10.0.0.1" << QStringList{"bad: #10.0.0.1"};
        QTest::newRow("three octets") << "#10.0.1 4" << QStringList{"bad: #10.0.1 4"};
        QTest::newRow("only the mark") << "#" << QStringList{"bad: #"};
        QTest::newRow("letters") << "#a.b.c.d e" << QStringList{"bad: #a.b.c.d e"};
        QTest::newRow("bare 0x") << "#0x.0.0.1 2" << QStringList{"bad: #0x.0.0.1 2"};
    }
    void rangeExpansion() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QueryPlan plan;
        plan.addHost(QStringLiteral("joe"), text);
        QStringList hosts;
        for (const PlanEntry& e : plan.entries) {
            QCOMPARE(e.alias, QStringLiteral("joe"));
            hosts << (e.badRange ? QStringLiteral("bad: ") + e.host : e.host);
        }
        QCOMPARE(hosts, expected);
    }

    void rangeCount() {
        const auto r = AddressRange::parse("#192.168.1.1 254");
        QVERIFY(r);
        QCOMPARE(r->count(), 254);
        QCOMPARE(r->expand().front(), std::string("192.168.1.1"));
        QCOMPARE(r->expand().back(), std::string("192.168.1.254"));
        QVERIFY(!AddressRange::parse("10.0.0.1 2"));
    }

    void otherHostTextsStayAsTheyAre() {
        QueryPlan plan;
        plan.addHost("a", "localhost");
        plan.addHost("a", "10.0.0.1");
        plan.addHost("a", "host.with #hash");
        QCOMPARE(plan.entries.size(), std::size_t(3));
        QCOMPARE(plan.entries[0].host, QStringLiteral("localhost"));
        QCOMPARE(plan.entries[2].host, QStringLiteral("host.with #hash"));
    }

    void buildFromAddressBook() {
        TempProfile profile;
        writePerson(
            profile.store(), "Ann",
            {{"ann", {"127.0.0.1", "#127.0.0.5 6", "#127.0.0 9"}}, {"annie", {"localhost"}}, {"root", {"127.0.0.1"}}});
        const QueryPlan plan = QueryPlan::Build(profile.store(), "Ann");
        const std::vector<PlanEntry> expected = {{"ann", "127.0.0.1"},   {"ann", "127.0.0.5"},
                                                 {"ann", "127.0.0.6"},   {"ann", "#127.0.0 9", true},
                                                 {"annie", "localhost"}, {"root", "127.0.0.1"}};
        QCOMPARE(plan.entries, expected);
        QCOMPARE(plan.aliasCount, 3);
        QCOMPARE(plan.hostCount, 5);
        QVERIFY(plan.problem().isEmpty());
    }

    // The readers ignore the counts: an alias stored without its count is still searched.
    void readersIgnoreCounts() {
        TempProfile profile;
        ProfileStore& s = profile.store();
        s.writeString(AddressBook::ALIASES, AddressBook::aliasName("Bo", 0), "bo");
        s.writeString(AddressBook::PHOSTS, AddressBook::hostName("Bo", "bo", 0), "127.0.0.9");
        s.writeString(AddressBook::PHOSTS, AddressBook::hostName("Bo", "bo", 2), "127.0.0.10"); // after a gap
        const QueryPlan plan = QueryPlan::Build(s, "Bo");
        QCOMPARE(plan.entries, (std::vector<PlanEntry>{{"bo", "127.0.0.9"}}));
    }

    void problems_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("box");
        QTest::newRow("unknown person") << 0 << LocateTexts::NO_ALIASES;
        QTest::newRow("aliases without hosts") << 1 << LocateTexts::NO_HOSTS;
        QTest::newRow("a range of no address still counts as a host, and adds no row") << 2 << QString();
    }
    void problems() {
        QFETCH(int, kind);
        QFETCH(QString, box);
        TempProfile profile;
        if (kind == 1)
            writePerson(profile.store(), "P", {{"a", {}}, {"b", {}}});
        if (kind == 2)
            writePerson(profile.store(), "P", {{"a", {"#10.0.0.5 5"}}});
        const QueryPlan plan = QueryPlan::Build(profile.store(), "P");
        QCOMPARE(plan.problem(), box);
        QCOMPARE(plan.entries.size(), std::size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestLocatePlan)
#include "tst_locateplan.moc"
