// A search against a real netkit talkd: in.ntalkd under inetd on port 518 of an address inside a network
// namespace that the test creates (10.77.k.2), reached over a veth pair from this namespace (10.77.k.1).
// A second address of the namespace (10.77.k.3) runs no daemon. Needs root; skipped otherwise.
#include "locate/LocateSearch.h"
#include "locate/LocateTexts.h"

#include "FakeAppContext.h"
#include "LocateTestData.h"
#include "NetNamespace.h"
#include "NetkitTalkd.h"
#include "TempProfile.h"

#include <QTest>

#include <memory>

class TestLocateTalkd : public QObject {
    Q_OBJECT

    QString m_subnet;
    std::unique_ptr<NetNamespace> m_host;
    std::unique_ptr<NetkitTalkd> m_talkd;

private slots:
    void initTestCase() {
        if (const QString why = NetkitTalkd::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        m_subnet = QStringLiteral("10.77.%1.").arg(100 + QCoreApplication::applicationPid() % 150);
        m_host = std::make_unique<NetNamespace>(QStringLiteral("lzt"));
        QVERIFY2(m_host->link(m_subnet + "1/24", {m_subnet + "2/24", m_subnet + "3/24"}), qPrintable(m_host->error()));
        m_talkd = std::make_unique<NetkitTalkd>();
        const QString failed = m_talkd->start(m_subnet + "2", 518, m_host->name());
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void cleanupTestCase() {
        m_talkd.reset();
        m_host.reset();
    }

    void unixDaemonDetected() {
        TempProfile profile;
        FakeAppContext core(profile.store());
        core.settings().showlookup = 1;
        locatetest::writePerson(profile.store(), "Root", {{"root", {m_subnet + "2", m_subnet + "3"}}});
        LocateSearch search(core, false, "Root");
        search.start();
        const auto& rows = search.engine().rows();
        QTRY_COMPARE_WITH_TIMEOUT(rows[0].state, 0, 10000);
        QCOMPARE(rows[0].status, QStringLiteral("UNIX style talk daemon detected"));
        QCOMPARE(rows[0].locatedUser.text, QStringLiteral("Unknown"));
        QCOMPARE(search.engine().userFor(0).text, QStringLiteral("root"));
        QVERIFY(search.engine().canTalkTo(0));
        // No daemon at the other address: the row keeps waiting, and auto-connect calls nobody.
        QTest::qWait(1000);
        QCOMPARE(rows[1].state, -1);
        QCOMPARE(rows[1].status, QStringLiteral("Scanning for remote talk daemon..."));
        QVERIFY(!search.stopped());
    }
};

QTEST_GUILESS_MAIN(TestLocateTalkd)
#include "tst_locatetalkd.moc"
