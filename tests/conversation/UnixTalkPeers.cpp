// Unix talk peers in private namespaces.
#include "UnixTalkPeers.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {
QByteArray g_runDir;
const QString SESSION = QStringLiteral("t");

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}
} // namespace

QString UnixTalkPeers::isolate() {
    if (geteuid() != 0)
        return QStringLiteral("needs root (network and mount namespaces, port 518)");
    if (const QString why = NetkitTalkd::unavailable(); !why.isEmpty())
        return why;
    for (const char* tool : {"/usr/bin/netkit-ntalk", "/usr/bin/inetutils-talk", "/usr/bin/tmux"})
        if (access(tool, X_OK) != 0)
            return QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
        return QStringLiteral("cannot enter new namespaces");
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("cannot make mounts private");
    char runDir[] = "/tmp/zuno-run-XXXXXX";
    // Open to all like the real /run: in.ntalkd reads utmp as nobody.
    if (!mkdtemp(runDir) || chmod(runDir, 0755) != 0)
        return QStringLiteral("cannot make a private /run");
    const QByteArray utmp = QByteArray(runDir) + "/utmp";
    const int fd = open(utmp.constData(), O_CREAT | O_WRONLY, 0664);
    if (fd < 0)
        return QStringLiteral("cannot create utmp");
    close(fd);
    if (chown(utmp.constData(), 0, 43) != 0) { /* the utmp group; root writes it anyway */
    }
    if (mount(runDir, "/run", nullptr, MS_BIND, nullptr) != 0)
        return QStringLiteral("cannot mount a private /run");
    g_runDir = runDir;
    if (std::system("ip link set lo up") != 0)
        return QStringLiteral("cannot bring the loopback up");
    return {};
}

void UnixTalkPeers::restore() {
    if (g_runDir.isEmpty())
        return;
    umount2("/run", MNT_DETACH);
    QDir(QString::fromLocal8Bit(g_runDir)).removeRecursively();
    g_runDir.clear();
}

UnixTalkPeers::~UnixTalkPeers() {
    if (m_tmuxStarted)
        tmux({QStringLiteral("kill-server")});
}

QString UnixTalkPeers::start() {
    // On every address of the namespace, as on a host: a call to 127.0.1.1 reaches it too.
    if (const QString failed = m_talkd.start(QStringLiteral("0.0.0.0"), 518); !failed.isEmpty())
        return failed;

    qputenv("TERM", "xterm");
    tmux({QStringLiteral("-f"), QStringLiteral("/dev/null"), QStringLiteral("new-session"), QStringLiteral("-d"),
          QStringLiteral("-s"), SESSION, QStringLiteral("-x"), QStringLiteral("100"), QStringLiteral("-y"),
          QStringLiteral("30"), QStringLiteral("bash --norc --noprofile")});
    m_tmuxStarted = true;
    const QString tty = tmux({QStringLiteral("display"), QStringLiteral("-p"), QStringLiteral("-t"), SESSION,
                              QStringLiteral("#{pane_tty}")})
                            .trimmed();
    if (tty.isEmpty())
        return QStringLiteral("tmux did not start");
    // talkd writes only to terminals that group tty may write.
    run(QStringLiteral("chgrp"), {QStringLiteral("tty"), tty});
    run(QStringLiteral("chmod"), {QStringLiteral("g+w"), tty});
    // The shell is up when its prompt ("bash-5.2# ") shows: keys typed from then on reach it.
    if (!waitForScreen(QStringLiteral("bash-"), 10000))
        return QStringLiteral("the shell in the pane did not start: %1").arg(screen());
    return {};
}

QString UnixTalkPeers::tmux(const QStringList& args) const {
    // A server of this test's own, on a socket in its own folder: a server that an earlier run left is never reached.
    return run(QStringLiteral("tmux"),
               QStringList{QStringLiteral("-S"), m_tmuxDir.filePath(QStringLiteral("tmux"))} + args);
}

void UnixTalkPeers::typeText(const QString& text) {
    tmux({QStringLiteral("send-keys"), QStringLiteral("-t"), SESSION, QStringLiteral("-l"), text});
}

void UnixTalkPeers::typeKeys(const QStringList& keys) {
    tmux(QStringList{QStringLiteral("send-keys"), QStringLiteral("-t"), SESSION} + keys);
}

QString UnixTalkPeers::screen() const {
    return tmux({QStringLiteral("capture-pane"), QStringLiteral("-p"), QStringLiteral("-t"), SESSION});
}

bool UnixTalkPeers::waitForScreen(const QString& text, int ms) const {
    return QTest::qWaitFor([&] { return screen().contains(text); }, ms);
}
