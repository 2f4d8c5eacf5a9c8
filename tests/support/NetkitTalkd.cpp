// netkit's talkd under inetd for tests.
#include "NetkitTalkd.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {
const QString TALKD = QStringLiteral("/usr/sbin/in.ntalkd");
const QString INETD = QStringLiteral("/usr/sbin/inetd");
constexpr int BIND_WAIT_MS = 10000;
constexpr int STOP_WAIT_MS = 3000;
constexpr int COMMAND_MS = 5000;

// The processes whose parent is `pid`.
QList<pid_t> childrenOf(qint64 pid) {
    QList<pid_t> out;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool ok = false;
        const int child = entry.toInt(&ok);
        QFile status(QStringLiteral("/proc/%1/status").arg(entry));
        if (!ok || !status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("PPid:") && line.mid(5).trimmed().toLongLong() == pid)
                out << pid_t(child);
    }
    return out;
}
} // namespace

QString NetkitTalkd::unavailable() {
    if (::geteuid() != 0)
        return QStringLiteral("needs root: inetd runs in.ntalkd as another user, in network namespaces");
    for (const QString& tool : {TALKD, INETD})
        if (!QFile::exists(tool))
            return QStringLiteral("%1 is not installed (packages talkd, openbsd-inetd)").arg(tool);
    if (QStandardPaths::findExecutable(QStringLiteral("ss")).isEmpty())
        return QStringLiteral("ss is not installed (package iproute2)");
    return {};
}

NetkitTalkd::~NetkitTalkd() {
    stop();
}

QString NetkitTalkd::start(const QString& address, quint16 port, const QString& netns, const QString& user) {
    if (const QString why = unavailable(); !why.isEmpty())
        return why;
    QFile conf(m_dir.filePath(QStringLiteral("inetd.conf")));
    if (!conf.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1").arg(conf.fileName());
    // In "wait" mode the in.ntalkd that inetd starts takes the socket over and answers every later request.
    conf.write(QStringLiteral("%1:%2\tdgram\tudp\twait\t%3\t%4\tin.ntalkd\n")
                   .arg(address, QString::number(port), user, TALKD)
                   .toLatin1());
    conf.close();
    m_netns = netns;
    m_inetd.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList inetd{INETD, QStringLiteral("-d"), conf.fileName()};
    if (netns.isEmpty())
        m_inetd.start(INETD, inetd.mid(1));
    else
        m_inetd.start(QStringLiteral("ip"),
                      QStringList{QStringLiteral("netns"), QStringLiteral("exec"), netns} + inetd);
    if (!m_inetd.waitForStarted(COMMAND_MS))
        return QStringLiteral("inetd did not start");
    if (!QTest::qWaitFor([&] { return bound(address, port) || m_inetd.state() == QProcess::NotRunning; },
                         BIND_WAIT_MS) ||
        m_inetd.state() == QProcess::NotRunning)
        return QStringLiteral("inetd did not bind %1:%2: %3").arg(address, QString::number(port), output());
    return {};
}

bool NetkitTalkd::bound(const QString& address, quint16 port) const {
    QStringList command{QStringLiteral("ss"), QStringLiteral("-Huln"), QStringLiteral("sport = :%1").arg(port)};
    if (!m_netns.isEmpty())
        command = QStringList{QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("exec"), m_netns} + command;
    QProcess ss;
    ss.start(command.first(), command.mid(1));
    ss.waitForFinished(COMMAND_MS);
    return QString::fromLocal8Bit(ss.readAllStandardOutput())
        .contains(QStringLiteral("%1:%2").arg(address, QString::number(port)));
}

void NetkitTalkd::stop() {
    if (m_inetd.state() == QProcess::NotRunning)
        return;
    // in.ntalkd first, by its id: inetd reaps it, and nothing is left holding the port.
    const QList<pid_t> talkds = childrenOf(m_inetd.processId());
    for (pid_t child : talkds)
        ::kill(child, SIGTERM);
    const bool reaped = QTest::qWaitFor([&] { return childrenOf(m_inetd.processId()).isEmpty(); }, STOP_WAIT_MS);
    Q_UNUSED(reaped); // inetd is stopped anyway
    m_inetd.terminate();
    if (!m_inetd.waitForFinished(STOP_WAIT_MS)) {
        m_inetd.kill();
        m_inetd.waitForFinished(STOP_WAIT_MS);
    }
}

QString NetkitTalkd::output() {
    m_output += QString::fromLocal8Bit(m_inetd.readAll());
    return m_output;
}
