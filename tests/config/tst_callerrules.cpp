// Caller rules: the look-up order and the stored layout.
#include "config/CallerRules.h"
#include "platform/ProfileStore.h"

#include "TempProfile.h"

#include <QTest>

class TestCallerRules : public QObject {
    Q_OBJECT
private slots:
    void actionFor_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("action");
        QTest::newRow("user rule wins over host rule") << "mallory"
                                                       << "10.0.0.9" << 0;
        QTest::newRow("case of A-Z ignored") << "MALLORY"
                                             << "1.2.3.4" << 0;
        QTest::newRow("first match in index order") << "eve"
                                                    << "1.2.3.4" << 1;
        QTest::newRow("host rule") << "someone"
                                   << "10.0.0.9" << 4;
        QTest::newRow("host named by name never matches the dotted sender") << "x"
                                                                            << "10.0.0.10" << 2;
        QTest::newRow("default") << "nobody"
                                 << "192.0.2.1" << 2;
        QTest::newRow("missing code reads as 3") << "trent"
                                                 << "1.1.1.1" << 3;
        QTest::newRow("only ASCII letters fold") << "\u00c9ve"
                                                 << "1.1.1.1" << 2;
    }

    void actionFor() {
        QFETCH(QString, user);
        QFETCH(QString, host);
        TempProfile p;
        CallerRulesTree t;
        t.defaultAction = ACTION_IGNORE;
        t.callers = {{"mallory", 0}, {"eve", 1}, {"EVE", 4}, {"trent", 3}, {"\u00e9ve", 4}};
        t.hosts = {{"10.0.0.9", 4}, {"host10", 0}};
        SaveCallerRules(p.store(), t);
        p.store().deleteSection("Host");
        p.store().writeInt("Host", "Count", 2);
        p.store().writeString("Host", "s0", "10.0.0.9");
        p.store().writeInt("Host", "i0", 4);
        p.store().writeString("Host", "s1", "host10");
        p.store().writeInt("Host", "i1", 0);
        p.store().writeString("Caller", "s3", "trent");
        p.store().writeString("Caller", "i3", "");
        QTEST(ActionFor(p.store(), user, host), "action");
    }

    void aBrokenCountEndsAtTheHighestIndexStored() {
        // The daemon reads the rules on its path: a hand-edited Count must not make it read two billion values.
        TempProfile p;
        CallerRulesTree t;
        t.defaultAction = ACTION_REFUSE;
        t.callers = {{"mallory", ACTION_IGNORE}, {"eve", ACTION_CONNECT}};
        t.hosts = {{"10.0.0.9", ACTION_REFUSE_URGENT}};
        SaveCallerRules(p.store(), t);
        p.store().writeInt("Caller", "Count", 2147483647);
        p.store().writeInt("Host", "Count", 2147483647);
        p.store().writeString("Caller", "s2", "");
        p.store().writeString("Caller", "s4", "beyond a gap");
        p.store().writeInt("Host", "i2", ACTION_IGNORE); // a code without its key
        // The empty key and the gap at index 3 are empty rules, and the rules go on after them.
        t.callers.insert(t.callers.end(), {{"", ACTION_POPUP}, {"", ACTION_POPUP}, {"beyond a gap", ACTION_POPUP}});
        t.hosts.insert(t.hosts.end(), {{"", ACTION_POPUP}, {"", ACTION_IGNORE}});
        QCOMPARE(LoadCallerRules(p.store()), t);
        QCOMPARE(ActionFor(p.store(), "eve", "1.2.3.4"), int(ACTION_CONNECT));
        QCOMPARE(ActionFor(p.store(), "beyond a gap", "10.0.0.9"), int(ACTION_POPUP));
        QCOMPARE(ActionFor(p.store(), "", "1.2.3.4"), int(ACTION_REFUSE));
        QCOMPARE(ActionFor(p.store(), "nobody", "1.2.3.4"), int(ACTION_REFUSE));
    }

    void emptyStoreGivesPopUp() {
        TempProfile p;
        QCOMPARE(ActionFor(p.store(), "anyone", "127.0.0.1"), int(ACTION_POPUP));
        const CallerRulesTree t = LoadCallerRules(p.store());
        QCOMPARE(t.defaultAction, 3);
        QVERIFY(t.callers.empty());
        QVERIFY(t.hosts.empty());
    }

    void saveRewritesBothSectionsAndKeepsTheDefault() {
        TempProfile p;
        CallerRulesTree t;
        t.defaultAction = ACTION_CONNECT;
        t.callers = {{"a", 0}, {"b", 2}};
        SaveCallerRules(p.store(), t);
        p.reopen();
        QCOMPARE(LoadCallerRules(p.store()), t);
        QCOMPARE(p.store().readInt("Caller", "Count", 0), 2);
        QCOMPARE(p.store().readString("Caller", "s1"), QStringLiteral("b"));
        QCOMPARE(p.store().readInt("Caller", "i1", -1), 2);
        // An empty "Host" has no Count and reads back as no rules.
        QVERIFY(!p.store().contains("Host", "Count"));
        QCOMPARE(p.store().readInt("Caller", "Default action", -1), 4);

        t.callers.clear();
        SaveCallerRules(p.store(), t);
        QVERIFY(!p.store().contains("Caller", "s0"));
        QCOMPARE(p.store().readInt("Caller", "Default action", -1), 4);
    }
};

QTEST_APPLESS_MAIN(TestCallerRules)
#include "tst_callerrules.moc"
