// A search against a real netkit talkd: in.ntalkd under inetd on port 518 of an address inside a network
// namespace that the test creates (10.77.k.2), reached over a veth pair from this namespace (10.77.k.1).
// A second address of the namespace (10.77.k.3) runs no daemon. The test runs in a mount namespace of its own,
// where a hosts file of its own stands over /etc/hosts: "pc17" is 10.77.k.2, whose reverse name is the longer
// "pc17.lab.example". Needs root; skipped otherwise.
#include "locate/LocateSearch.h"
#include "locate/LocateTexts.h"

#include "FakeAppContext.h"
#include "LocateTestData.h"
#include "NetNamespace.h"
#include "NetkitTalkd.h"
#include "TempProfile.h"

#include <QHostInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

class TestLocateTalkd : public QObject {
    Q_OBJECT
public:
    explicit TestLocateTalkd(bool ownMounts) : m_ownMounts(ownMounts) {}

private:
    bool m_ownMounts;
    bool m_hostsMounted = false;
    QTemporaryDir m_dir;
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
        if (m_ownMounts) {
            QFile hosts(m_dir.filePath("hosts"));
            QVERIFY(hosts.open(QIODevice::WriteOnly));
            hosts.write(
                QStringLiteral("127.0.0.1 localhost\n%1 pc17.lab.example pc17\n").arg(m_subnet + "2").toLatin1());
            hosts.close();
            m_hostsMounted = ::mount(qPrintable(hosts.fileName()), "/etc/hosts", nullptr, MS_BIND, nullptr) == 0;
        }
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

    // A host written by its short name: the reply comes from its address, whose reverse name does not begin with
    // "pc17", and still belongs to the row.
    void shortNameFound() {
        if (!m_hostsMounted)
            QSKIP("needs a mount namespace of its own to put a hosts file over /etc/hosts");
        QCOMPARE(QHostInfo::fromName(m_subnet + "2").hostName(), QStringLiteral("pc17.lab.example"));
        TempProfile profile;
        FakeAppContext core(profile.store());
        locatetest::writePerson(profile.store(), "Pc", {{"root", {"pc17"}}});
        LocateSearch search(core, false, "Pc");
        search.start();
        const auto& rows = search.engine().rows();
        QTRY_COMPARE_WITH_TIMEOUT(rows[0].state, 0, 10000);
        QCOMPARE(rows[0].host, QStringLiteral("pc17"));
        QCOMPARE(rows[0].status, QStringLiteral("UNIX style talk daemon detected"));
        QVERIFY(search.engine().canTalkTo(0));
    }
};

int main(int argc, char* argv[]) {
    // While the process has one thread: a mount namespace of its own, whose mounts stay private to it.
    const bool ownMounts = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
                           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    QCoreApplication app(argc, argv);
    TestLocateTalkd test(ownMounts);
    return QTest::qExec(&test, argc, argv);
}
#include "tst_locatetalkd.moc"
