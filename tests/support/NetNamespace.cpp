// Test network namespaces through the ip tool.
#include "NetNamespace.h"

#include <QCoreApplication>
#include <QProcess>

namespace {
constexpr int COMMAND_MS = 10000;
}

NetNamespace::NetNamespace(const QString& tag) {
    m_name = tag + QString::number(QCoreApplication::applicationPid());
    m_created = run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("add"), m_name});
    if (m_created)
        run({QStringLiteral("ip"), QStringLiteral("-n"), m_name, QStringLiteral("link"), QStringLiteral("set"),
             QStringLiteral("lo"), QStringLiteral("up")});
}

NetNamespace::~NetNamespace() {
    if (m_created)
        QProcess::execute(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), m_name});
    // Normally gone with the namespace, which held the other end.
    if (!m_hostSide.isEmpty())
        QProcess::execute(QStringLiteral("sh"),
                          {QStringLiteral("-c"), QStringLiteral("ip link del %1 2>/dev/null").arg(m_hostSide)});
}

bool NetNamespace::link(const QString& here, const QStringList& there) {
    if (!ok())
        return false;
    // Interface names are at most 15 characters: the pid keeps them apart between tests, the count within one.
    static int pairs = 0;
    const QString tag = QStringLiteral("%1x%2").arg(QCoreApplication::applicationPid()).arg(pairs++);
    const QString hostSide = QStringLiteral("zlh") + tag, nsSide = QStringLiteral("zln") + tag;
    if (!run({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("add"), hostSide, QStringLiteral("type"),
              QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), nsSide}))
        return false;
    m_hostSide = hostSide;
    bool done =
        run({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("set"), nsSide, QStringLiteral("netns"),
             m_name}) &&
        run({QStringLiteral("ip"), QStringLiteral("addr"), QStringLiteral("add"), here, QStringLiteral("dev"),
             hostSide}) &&
        run({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("set"), hostSide, QStringLiteral("up")});
    for (const QString& address : there)
        done = done && run({QStringLiteral("ip"), QStringLiteral("-n"), m_name, QStringLiteral("addr"),
                            QStringLiteral("add"), address, QStringLiteral("dev"), nsSide});
    return done && run({QStringLiteral("ip"), QStringLiteral("-n"), m_name, QStringLiteral("link"),
                        QStringLiteral("set"), nsSide, QStringLiteral("up")});
}

bool NetNamespace::run(const QStringList& command) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    const bool done = p.waitForFinished(COMMAND_MS) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done && m_error.isEmpty())
        m_error =
            QStringLiteral("%1: %2").arg(command.join(QLatin1Char(' ')), QString::fromLocal8Bit(p.readAll()).trimmed());
    return done;
}
