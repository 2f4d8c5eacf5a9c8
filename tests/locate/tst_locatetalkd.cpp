// A search against a real netkit talkd: in.ntalkd under inetd on port 518 of an address inside a network
// namespace that the test creates (10.77.k.2), reached over a veth pair from this namespace (10.77.k.1).
// A second address of the namespace (10.77.k.3) runs no daemon. The test runs in a mount namespace of its own,
// where a hosts file of its own stands over /etc/hosts: "pc17" is 10.77.k.2, whose reverse name is the longer
// "pc17.lab.example". Needs root; skipped otherwise.
#include "app/AppCore.h"
#include "locate/LocateSearch.h"
#include "locate/LocateTexts.h"

#include "LocateTestData.h"
#include "TempProfile.h"

#include <QDir>
#include <QHostInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

bool run(const QStringList& args) {
    QProcess p;
    p.start(args.first(), args.mid(1));
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The processes whose parent is `pid` (in.ntalkd under inetd).
QList<qint64> childrenOf(qint64 pid) {
    QList<qint64> out;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 child = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile status("/proc/" + entry + "/status");
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("PPid:") && line.mid(5).trimmed().toLongLong() == pid)
                out << child;
    }
    return out;
}

} // namespace

class TestLocateTalkd : public QObject {
    Q_OBJECT
public:
    explicit TestLocateTalkd(bool ownMounts) : m_ownMounts(ownMounts) {}

private:
    bool m_ownMounts;
    bool m_hostsMounted = false;
    QString m_ns, m_hostSide, m_nsSide, m_subnet;
    QTemporaryDir m_dir;
    QProcess m_inetd;
    bool m_netUp = false;

    void tearDownNetwork() {
        if (m_inetd.state() != QProcess::NotRunning) {
            const qint64 pid = m_inetd.processId();
            for (qint64 child : childrenOf(pid))
                ::kill(pid_t(child), SIGTERM);
            m_inetd.terminate();
            if (!m_inetd.waitForFinished(3000)) {
                m_inetd.kill();
                m_inetd.waitForFinished(3000);
            }
        }
        if (m_netUp) {
            run({"ip", "netns", "del", m_ns});
            run({"ip", "link", "del", m_hostSide}); // normally gone with the namespace
            m_netUp = false;
        }
    }

private slots:
    void initTestCase() {
        if (::geteuid() != 0)
            QSKIP("needs root: creates a network namespace and runs in.ntalkd on its port 518");
        if (!QFile::exists("/usr/sbin/in.ntalkd") || !QFile::exists("/usr/sbin/inetd"))
            QSKIP("needs the talkd and openbsd-inetd packages");
        const qint64 pid = QCoreApplication::applicationPid();
        m_ns = QStringLiteral("lzt%1").arg(pid);
        m_hostSide = QStringLiteral("lzh%1").arg(pid);
        m_nsSide = QStringLiteral("lzn%1").arg(pid);
        m_subnet = QStringLiteral("10.77.%1.").arg(100 + pid % 150);
        QVERIFY(run({"ip", "netns", "add", m_ns}));
        m_netUp = true;
        QVERIFY(run({"ip", "link", "add", m_hostSide, "type", "veth", "peer", "name", m_nsSide}));
        QVERIFY(run({"ip", "link", "set", m_nsSide, "netns", m_ns}));
        QVERIFY(run({"ip", "addr", "add", m_subnet + "1/24", "dev", m_hostSide}));
        QVERIFY(run({"ip", "link", "set", m_hostSide, "up"}));
        QVERIFY(run({"ip", "-n", m_ns, "addr", "add", m_subnet + "2/24", "dev", m_nsSide}));
        QVERIFY(run({"ip", "-n", m_ns, "addr", "add", m_subnet + "3/24", "dev", m_nsSide}));
        QVERIFY(run({"ip", "-n", m_ns, "link", "set", "lo", "up"}));
        QVERIFY(run({"ip", "-n", m_ns, "link", "set", m_nsSide, "up"}));

        if (m_ownMounts) {
            QFile hosts(m_dir.filePath("hosts"));
            QVERIFY(hosts.open(QIODevice::WriteOnly));
            hosts.write(
                QStringLiteral("127.0.0.1 localhost\n%1 pc17.lab.example pc17\n").arg(m_subnet + "2").toLatin1());
            hosts.close();
            m_hostsMounted = ::mount(qPrintable(hosts.fileName()), "/etc/hosts", nullptr, MS_BIND, nullptr) == 0;
        }

        QFile conf(m_dir.filePath("inetd.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("%1:518\tdgram\tudp\twait\tnobody.tty\t/usr/sbin/in.ntalkd\tin.ntalkd\n")
                       .arg(m_subnet + "2")
                       .toLatin1());
        conf.close();
        m_inetd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_inetd.start("ip", {"netns", "exec", m_ns, "/usr/sbin/inetd", "-d", conf.fileName()});
        QVERIFY(m_inetd.waitForStarted(5000));
        // Listening once ss lists the port inside the namespace.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QProcess ss;
                ss.start("ip", {"netns", "exec", m_ns, "ss", "-Huln", "sport = :518"});
                ss.waitForFinished(5000);
                return !ss.readAllStandardOutput().trimmed().isEmpty();
            }(),
            10000);
    }

    void cleanupTestCase() { tearDownNetwork(); }

    void unixDaemonDetected() {
        TempProfile profile;
        AppCore core(profile.store());
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
        AppCore core(profile.store());
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
