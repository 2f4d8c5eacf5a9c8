// Dropping privileges, in a child process so that the test keeps its own: a file capability, a set-user-id start
// and root, each as main meets them after binding the port. And the hint that names the command granting the port.
#include "platform/Privileges.h"

#include "EnvironmentOverride.h"

#include <QTest>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t NOBODY = 65534;

// The child's credentials as it starts: only raw system calls, as between fork and exit nothing else is safe.
bool becomeStartedAs(const QByteArray& start) {
    if (start == "file capability") {
        // An unprivileged user whose program file grants the port: the capability alone, as exec gives it.
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
        data[0].effective = data[0].permitted = 1u << CAP_NET_BIND_SERVICE;
        return ::prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) == 0 && ::setresgid(NOBODY, NOBODY, NOBODY) == 0 &&
               ::setresuid(NOBODY, NOBODY, NOBODY) == 0 && ::syscall(SYS_capset, &header, data) == 0;
    }
    if (start == "set-user-id root")
        return ::setresgid(NOBODY, 0, 0) == 0 && ::setresuid(NOBODY, 0, 0) == 0;
    return true; // root
}

// Runs Privileges::drop in a child started as `start`; its result and its /proc/self/status lines of interest.
QMap<QByteArray, QByteArray> dropInChild(const QByteArray& start) {
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const bool dropped = becomeStartedAs(start) && Privileges::drop();
        char status[8192];
        const int fd = ::open("/proc/self/status", O_RDONLY);
        const ssize_t n = fd >= 0 ? ::read(fd, status, sizeof status) : 0;
        [[maybe_unused]] ssize_t w = ::write(out[1], dropped ? "Dropped:\t1\n" : "Dropped:\t0\n", 11);
        w = ::write(out[1], status, n > 0 ? size_t(n) : 0);
        ::_exit(0);
    }
    ::close(out[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    QMap<QByteArray, QByteArray> fields;
    for (const QByteArray& line : text.split('\n'))
        if (const int colon = line.indexOf(':'); colon > 0)
            fields.insert(line.left(colon), line.mid(colon + 1).simplified());
    return fields;
}

QByteArray capabilityHex(quint64 set) {
    return QByteArray::number(set, 16).rightJustified(16, '0');
}

} // namespace

class TestPrivileges : public QObject {
    Q_OBJECT
private slots:
    void dropLeavesNothingBeyondWhatMayStay_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QByteArray>("uid");
        const QByteArray none = capabilityHex(0);
        const QByteArray nobody = QByteArray::number(NOBODY);
        QTest::newRow("file capability") << QByteArray("file capability") << none << nobody;
        QTest::newRow("set-user-id root") << QByteArray("set-user-id root") << none << nobody;
        QTest::newRow("root keeps its reach over files")
            << QByteArray("root") << capabilityHex(Privileges::ROOT_KEEPS) << QByteArray("0");
    }

    void dropLeavesNothingBeyondWhatMayStay() {
        if (::geteuid() != 0)
            QSKIP("needs root to start the child with privileges to drop");
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, kept);
        QFETCH(QByteArray, uid);
        const QMap<QByteArray, QByteArray> after = dropInChild(start);
        QCOMPARE(after.value("Dropped"), QByteArray("1"));
        QCOMPARE(after.value("CapEff"), kept);
        QCOMPARE(after.value("CapPrm"), kept);
        QCOMPARE(after.value("CapInh"), capabilityHex(0));
        QCOMPARE(after.value("CapAmb"), capabilityHex(0));
        QCOMPARE(after.value("NoNewPrivs"), QByteArray("1"));
        QCOMPARE(after.value("Uid"), (uid + ' ' + uid + ' ' + uid + ' ' + uid));
        // Root shrinks the bounding set too; anyone else may not, and no_new_privs stands in for it.
        if (start == "root")
            QCOMPARE(after.value("CapBnd"), kept);
    }

    void pluginPathsAreForgotten() {
        EnvironmentOverride qt("QT_PLUGIN_PATH", "/tmp/theirs");
        EnvironmentOverride gstreamer("GST_PLUGIN_SYSTEM_PATH", "/tmp/theirs");
        Privileges::forgetPluginPaths();
        QVERIFY(!qEnvironmentVariableIsSet("QT_PLUGIN_PATH"));
        QVERIFY(!qEnvironmentVariableIsSet("GST_PLUGIN_SYSTEM_PATH"));
    }

    void grantHintNamesTheCommand_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("hint");
        QTest::newRow("a build") << "/home/ann/murmelo/build/zuno"
                                 << "To let this program use port 518, run as root: setcap cap_net_bind_service=+ep "
                                    "/home/ann/murmelo/build/zuno";
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
