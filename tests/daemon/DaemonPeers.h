// Helpers for the daemon's tests against real peers: shell commands, control requests written out byte by byte,
// child programs whose output lines are gathered, and sockets opened inside a network namespace of the test's.
#pragma once

#include "DaemonHostPath.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace daemonpeers {

inline int sh(const QString& command) {
    return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command});
}

inline QString shOut(const QString& command) {
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline QByteArray name12(const char* n) {
    QByteArray f(n);
    f = f.left(12);
    f.append(QByteArray(12 - f.size(), '\0'));
    return f;
}

inline QByteArray wireAddr(quint16 family, quint16 port, quint32 ip = 0x7F000001) {
    QByteArray a(16, '\0');
    a[0] = char(family >> 8);
    a[1] = char(family);
    a[2] = char(port >> 8);
    a[3] = char(port);
    a[4] = char(ip >> 24);
    a[5] = char(ip >> 16);
    a[6] = char(ip >> 8);
    a[7] = char(ip);
    return a;
}

inline QByteArray request(quint8 vers, quint8 type, const QByteArray& id, const QByteArray& addr, const QByteArray& ctl,
                          const char* l, const char* r) {
    QByteArray d;
    d.append(char(vers)).append(char(type)).append('\0').append('\0');
    d.append(id).append(addr).append(ctl).append(QByteArray(4, '\0'));
    d.append(name12(l)).append(name12(r)).append(QByteArray(16, '\0'));
    return d;
}

inline QByteArray id(quint32 v) {
    QByteArray b(4, '\0');
    b[0] = char(v >> 24);
    b[1] = char(v >> 16);
    b[2] = char(v >> 8);
    b[3] = char(v);
    return b;
}

inline QString daemonHost() {
    return daemonHostPath();
}

// Lines a child prints, gathered as they come.
struct Child {
    QProcess process;
    QStringList lines;
    bool waitForLine(const QString& prefix, int ms = 5000) {
        return QTest::qWaitFor(
            [&] {
                process.waitForReadyRead(10);
                while (process.canReadLine())
                    lines << QString::fromUtf8(process.readLine()).trimmed();
                for (const QString& l : lines)
                    if (l.startsWith(prefix))
                        return true;
                return false;
            },
            ms);
    }
    int count(const QString& prefix) const {
        int n = 0;
        for (const QString& l : lines)
            n += l.startsWith(prefix) ? 1 : 0;
        return n;
    }
    void stop() {
        // Asked first: the daemon host quits by itself, and its temporary folder goes with it.
        if (process.state() != QProcess::NotRunning && process.write("quit\n") > 0 && process.waitForFinished(2000))
            return;
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(2000)) {
                process.kill();
                process.waitForFinished(2000);
            }
        }
    }
};

// Runs the calling thread's new sockets inside a named network namespace while it lives.
class InNamespace {
public:
    explicit InNamespace(const QString& ns) {
        m_home = ::open("/proc/self/ns/net", O_RDONLY);
        const int fd = ::open(QStringLiteral("/var/run/netns/%1").arg(ns).toLocal8Bit().constData(), O_RDONLY);
        m_ok = m_home >= 0 && fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0)
            ::close(fd);
    }
    ~InNamespace() {
        if (m_home >= 0) {
            ::setns(m_home, CLONE_NEWNET);
            ::close(m_home);
        }
    }
    bool ok() const { return m_ok; }

private:
    int m_home = -1;
    bool m_ok = false;
};

} // namespace daemonpeers
