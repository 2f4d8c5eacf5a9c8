// The program as the package installs it (with the port capability) run by an unprivileged user who points Qt's
// plugin path at a plugin of their own: the plugin runs without any capability, and the daemon still answers on port
// 518. Root only (setcap, another user, a network namespace of the test's own, where port 518 is free).
#include "DaemonPeers.h"
#include "NetNamespace.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUdpSocket>

using namespace daemonpeers;

class TestPluginPrivilege : public QObject {
    Q_OBJECT
private slots:
    void aPluginOfTheUsersRunsWithoutCapabilities() {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (::geteuid() != 0 || setpriv.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("setcap")).isEmpty())
            QSKIP("needs root, setpriv and setcap (scripts/deps --test)");
        QTemporaryDir dir(QStringLiteral("/tmp/zuno-privilege.XXXXXX"));
        const QString program = dir.filePath(QStringLiteral("zuno"));
        const QString home = dir.filePath(QStringLiteral("home"));
        const QString runtime = dir.filePath(QStringLiteral("runtime"));
        const QString caps = home + QStringLiteral("/caps");
        // The user's own: a home that says this version ran before (no About box), and a plugin.
        QVERIFY(QDir().mkpath(home + QStringLiteral("/.config/Bravik")) && QDir().mkpath(runtime) &&
                QDir().mkpath(dir.filePath(QStringLiteral("plugins/generic"))));
        QFile profile(home + QStringLiteral("/.config/Bravik/ZUNO.conf"));
        QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write("[About]\nVersion=141\n") > 0);
        profile.close();
        QVERIFY(
            QFile::copy(QStringLiteral(ZUNO_CAPPROBE), dir.filePath(QStringLiteral("plugins/generic/capprobe.so"))));
        QVERIFY(QFile::copy(QStringLiteral(ZUNO_PROGRAM), program));
        QCOMPARE(sh(QStringLiteral("chmod 755 %1 && chown -R nobody:nogroup %2 %3 && chmod 700 %3 && "
                                   "setcap cap_net_bind_service=+ep %4")
                        .arg(dir.path(), home, runtime, program)),
                 0);
        NetNamespace host(QStringLiteral("zunopriv"));
        QVERIFY2(host.ok(), qPrintable(host.error()));

        QProcess zuno;
        QProcessEnvironment env;
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + dir.filePath("no-bus"));
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + dir.filePath("no-sound-server"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), dir.filePath(QStringLiteral("plugins")));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("capprobe"));
        env.insert(QStringLiteral("ZUNO_CAPPROBE_OUT"), caps);
        zuno.setProcessEnvironment(env);
        zuno.setProcessChannelMode(QProcess::ForwardedChannels);
        zuno.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), host.name(), setpriv,
                                          QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                          QStringLiteral("--clear-groups"), program});
        QVERIFY(zuno.waitForStarted());

        // The daemon answers a LOOK_UP on 518 (NOT_HERE: nobody left an invitation).
        QUdpSocket asker;
        {
            InNamespace inside(host.name());
            QVERIFY(inside.ok() && asker.bind(QHostAddress::AnyIPv4, 0));
        }
        const QByteArray lookUp = request(1, 1, id(0), wireAddr(2, 40000), wireAddr(2, 40001), "ann", "nobody");
        QByteArray reply;
        for (int attempt = 0; attempt < 50 && reply.isEmpty() && zuno.state() == QProcess::Running; ++attempt) {
            asker.writeDatagram(lookUp, QHostAddress::LocalHost, 518);
            if (asker.waitForReadyRead(200)) {
                reply.resize(int(asker.pendingDatagramSize()));
                asker.readDatagram(reply.data(), reply.size());
            }
        }
        QCOMPARE(reply.size(), 24);
        QCOMPARE(reply.left(4).toHex(' '), QByteArray("01 01 01 00"));

        QFile seen(caps);
        QVERIFY2(seen.open(QIODevice::ReadOnly), "the plugin never ran");
        const QByteArray lines = seen.readAll();
        zuno.terminate();
        QVERIFY(zuno.waitForFinished(10000));
        for (const char* set : {"CapInh", "CapPrm", "CapEff", "CapAmb"})
            QVERIFY2(lines.contains(QByteArray(set) + ":\t0000000000000000\n"), lines.constData());
    }
};

QTEST_GUILESS_MAIN(TestPluginPrivilege)
#include "tst_pluginprivilege.moc"
