// Dropping privileges, in a child process so that the test keeps its own: a file capability, a set-user-id start
// and root, each as main meets them after binding the port. And the hint that names the command granting the port.
#include "platform/Privileges.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The child's credentials as it starts, then Privileges::drop; only system calls between fork and exit.
bool startAndDrop(const QByteArray& start) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct portOnly[_LINUX_CAPABILITY_U32S_3] = {
        {1u << CAP_NET_BIND_SERVICE, 1u << CAP_NET_BIND_SERVICE, 0}};
    if (start == "file capability" && (::prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0 || ::setresgid(65534, 65534, 65534) ||
                                       ::setresuid(65534, 65534, 65534) || ::syscall(SYS_capset, &header, portOnly)))
        return false;
    if (start == "set-user-id root" && (::setresgid(65534, 0, 0) != 0 || ::setresuid(65534, 0, 0) != 0))
        return false;
    return Privileges::drop();
}

} // namespace

class TestPrivileges : public QObject {
    Q_OBJECT
private slots:
    void dropLeavesNothingBeyondWhatMayStay_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("kept"); // effective and permitted, and root's bounding set
        QTest::addColumn<QByteArray>("uid");
        QTest::newRow("file capability") << QByteArray("file capability") << QByteArray("0") << QByteArray("65534");
        QTest::newRow("set-user-id root") << QByteArray("set-user-id root") << QByteArray("0") << QByteArray("65534");
        QTest::newRow("root") << QByteArray("root") << QByteArray::number(Privileges::ROOT_KEEPS, 16)
                              << QByteArray("0");
    }

    void dropLeavesNothingBeyondWhatMayStay() {
        if (::geteuid() != 0)
            QSKIP("needs root to start the child with privileges to drop");
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, kept);
        QFETCH(QByteArray, uid);
        int out[2];
        QVERIFY(::pipe(out) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const bool dropped = startAndDrop(start);
            char text[8192];
            const int fd = ::open("/proc/self/status", O_RDONLY);
            const ssize_t n = ::read(fd, text, sizeof text);
            ::_exit(dropped && n > 0 && ::write(out[1], text, size_t(n)) == n ? 0 : 1);
        }
        ::close(out[1]);
        QFile pipe;
        QVERIFY(pipe.open(out[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        const QByteArray status = pipe.readAll();
        int exit = -1;
        QCOMPARE(::waitpid(child, &exit, 0), child);
        QCOMPARE(exit, 0);
        const QByteArray none = QByteArray(16, '0');
        const QByteArray keep = kept.rightJustified(16, '0');
        for (const QByteArray& line :
             {"CapEff:\t" + keep, "CapPrm:\t" + keep, "CapInh:\t" + none, "CapAmb:\t" + none,
              QByteArray("NoNewPrivs:\t1"), "Uid:\t" + uid + '\t' + uid + '\t' + uid + '\t' + uid})
            QVERIFY2(status.contains(line + '\n'), line.constData());
        // Root shrinks the bounding set too; anyone else may not, and no_new_privs stands in for it.
        QVERIFY(start != "root" || status.contains("CapBnd:\t" + keep + '\n'));
    }

    void grantHintNamesTheCommand_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("hint");
        QTest::newRow("the package's") << "/usr/bin/zuno"
                                       << "The package grants this program port 518 when it installs it; to grant it "
                                          "again, run as root: setcap cap_net_bind_service=+ep /usr/bin/zuno";
        QTest::newRow("quoted for the shell")
            << "/home/ann/my talk/ann's zuno"
            << "To let this program use port 518, run as root: setcap cap_net_bind_service=+ep '/home/ann/my "
               "talk/ann'\\''s zuno'";
    }

    void grantHintNamesTheCommand() {
        QFETCH(QString, path);
        QTEST(Privileges::grantHint(518, path), "hint");
    }
};

QTEST_APPLESS_MAIN(TestPrivileges)
#include "tst_privileges.moc"
