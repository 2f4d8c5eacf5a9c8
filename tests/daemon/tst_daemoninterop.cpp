// The daemon against real Unix talk programs: Debian's talk calling a user at 127.0.0.1 while our daemon holds
// port 518 in a network namespace of the test's own, and netkit's in.ntalkd given the same datagrams as ours.
// Root only (namespaces, inetd); skipped otherwise.
#include "DaemonPeers.h"
#include "NetNamespace.h"
#include "NetkitTalkd.h"
#include "ScriptedMessageBoxes.h"

#include <QFileInfo>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace daemonpeers;

class TestDaemonInterop : public QObject {
    Q_OBJECT

    QByteArray exchange(QUdpSocket& s, quint16 port, const QByteArray& d, int ms = 1500) {
        while (s.hasPendingDatagrams())
            s.readDatagram(nullptr, 0);
        s.writeDatagram(d, QHostAddress::LocalHost, port);
        if (!QTest::qWaitFor([&s] { return s.hasPendingDatagrams(); }, ms))
            return {};
        QByteArray r(int(s.pendingDatagramSize()), 0);
        s.readDatagram(r.data(), r.size());
        return r;
    }

private slots:
    void initTestCase() {
        if (const QString why = NetkitTalkd::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        for (const char* tool : {"/usr/bin/talk", "/usr/bin/tmux"})
            if (!QFile::exists(QString::fromLatin1(tool)))
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool))));
        QVERIFY(QFile::exists(daemonHost()));
    }

    void unixTalkCallsThroughOurDaemon() {
        NetNamespace host(QStringLiteral("zunotalk"));
        QVERIFY2(host.ok(), qPrintable(host.error()));
        const QString ns = host.name();
        QTemporaryDir tmuxDir; // the tmux server's socket, gone with the test
        const QString tmux = QStringLiteral("tmux -S %1").arg(tmuxDir.filePath(QStringLiteral("tmux")));
        Child daemon;
        auto cleanup = qScopeGuard([&] {
            sh(QStringLiteral("%1 kill-server 2>/dev/null").arg(tmux));
            daemon.stop();
        });
        daemon.process.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), ns, daemonHost(),
                                                    QStringLiteral("--port"), QStringLiteral("518"),
                                                    QStringLiteral("--login"), QStringLiteral("tester")});
        QVERIFY2(daemon.waitForLine(QStringLiteral("READY 518")), qPrintable(daemon.lines.join('\n')));

        // Root calls tester at 127.0.0.1: LOOK_UP (nothing), ANNOUNCE (rings us) and LEAVE_INVITE (kept by us).
        QVERIFY(sh(QStringLiteral("ip netns exec %1 %2 new-session -d -s t -x 100 -y 30 'talk tester@127.0.0.1'")
                       .arg(ns, tmux)) == 0);
        QVERIFY2(daemon.waitForLine(QStringLiteral("RING 3 127.0.0.1 root 7")), qPrintable(daemon.lines.join('\n')));
        QVERIFY(QTest::qWaitFor(
            [&] { return shOut(tmux + QStringLiteral(" capture-pane -p -t t")).contains("Waiting for your party"); },
            5000));

        InNamespace inside(ns);
        QVERIFY(inside.ok());
        // We answer as tester would: our LOOK_UP finds root's invitation in our own daemon.
        QUdpSocket control;
        QVERIFY(control.bind(QHostAddress::LocalHost, 0));
        const QByteArray reply = exchange(
            control, 518, request(1, 1, id(0), wireAddr(2, 0), wireAddr(2, control.localPort()), "tester", "root"));
        QCOMPARE(reply.size(), 24);
        QCOMPARE(int(reply[2]), 0);
        QCOMPARE(reply.mid(8, 2).toHex(), QByteArray("0002"));
        const quint16 port = quint16((quint8(reply[10]) << 8) | quint8(reply[11]));
        QVERIFY(port != 0);

        QTcpSocket stream;
        stream.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(stream.waitForConnected(3000));
        stream.write(QByteArray("\x08\x15\x17hello from murmelo\n"));
        QVERIFY(QTest::qWaitFor([&] { return stream.bytesAvailable() >= 3 || stream.waitForReadyRead(10); }, 3000));
        QCOMPARE(stream.read(3).toHex(), QByteArray("7f1517")); // the pane's erase, kill and word-erase
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QString pane = shOut(tmux + QStringLiteral(" capture-pane -p -t t"));
                return pane.contains("Connection established") && pane.contains("hello from murmelo");
            },
            5000));
        sh(tmux + QStringLiteral(" send-keys -t t 'hi' "));
        // Kept across reads: "h" and "i" may come in two.
        QByteArray received;
        QVERIFY(QTest::qWaitFor([&] { return (received += stream.readAll()).contains("hi"); }, 5000));
        // Connected, talk deletes both its invitations: the announcement (closing its prompt) and the invitation.
        QVERIFY(daemon.waitForLine(QStringLiteral("CLOSE root 127.0.0.1")));
        QVERIFY(QTest::qWaitFor([&] { return daemon.count(QStringLiteral("CLOSE root")) >= 2; }, 5000));
        daemon.process.write("status\n");
        QVERIFY(daemon.waitForLine(QStringLiteral("STATUS")));
        QVERIFY2(
            daemon.lines.filter(QStringLiteral("STATUS")).constFirst().startsWith("STATUS table=0 prompts=0 lastid=2"),
            qPrintable(daemon.lines.join('\n')));
    }

    void sameDatagramsAsNetkitTalkd() {
        // netkit under inetd on one loopback port, our daemon on another, in a network namespace of the test's own
        // (where no other program can take netkit's port before inetd binds it).
        NetNamespace host(QStringLiteral("zunosame"));
        QVERIFY2(host.ok(), qPrintable(host.error()));
        const quint16 netkitPort = 5518;
        NetkitTalkd netkit;
        const QString failed = netkit.start(QStringLiteral("127.0.0.1"), netkitPort, host.name());
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        Child ours;
        auto cleanup = qScopeGuard([&] { ours.stop(); });
        ours.process.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), host.name(),
                                                  daemonHost(), QStringLiteral("--port"), QStringLiteral("0"),
                                                  QStringLiteral("--login"), QStringLiteral("tester")});
        QVERIFY(ours.waitForLine(QStringLiteral("READY")));
        const quint16 ourPort = ours.lines.filter(QStringLiteral("READY")).first().mid(6).toUShort();

        InNamespace inside(host.name());
        QVERIFY(inside.ok());
        QUdpSocket s; // source port above 1024: netkit ignores the others
        QVERIFY(s.bind(QHostAddress::LocalHost, 0));
        const QByteArray ctl = wireAddr(2, s.localPort());
        struct Row {
            const char* what;
            QByteArray datagram;
            int ours;
            int netkit;
            const char* why; // null where both answer alike
        };
        const QList<Row> rows = {
            {"LOOK_UP without invitation", request(1, 1, id(0), wireAddr(2, 40000), ctl, "alice", "tester"), 1, 1,
             nullptr},
            {"bad version", request(2, 1, id(0), wireAddr(2, 40000), ctl, "alice", "tester"), 6, 6, nullptr},
            {"unknown type", request(1, 9, id(0), wireAddr(2, 40000), ctl, "alice", "tester"), 5, 5, nullptr},
            {"ANNOUNCE for a user who is not ours",
             request(1, 3, id(0), wireAddr(2, 40000), ctl, "alice", "nosuchuser"), 1, 1, nullptr},
            {"PROBE", request(1, 215, id(0), wireAddr(2, 40000), ctl, "alice", "tester"), 1, 5,
             "our daemon takes PROBE as LOOK_UP; a Unix daemon does not know the type"},
            {"LOOK_UP with PROBE_ID",
             request(1, 1, QByteArray::fromHex("d7000000"), wireAddr(2, 40000), ctl, "alice", ""), 215, 1,
             "our daemon answers the probe (USER_PRESENT, 84 bytes); a Unix daemon looks up an invitation"},
            {"addr family 3", request(1, 1, id(0), wireAddr(3, 40000), ctl, "alice", "tester"), 7, 1,
             "netkit never checks the address families"},
            {"ctl_addr family 0", request(1, 1, id(0), wireAddr(2, 40000), wireAddr(0, 40001), "alice", "tester"), 8, 1,
             "netkit never checks the address families"},
            {"ANNOUNCE to tester", request(1, 3, id(0), wireAddr(2, 40000), ctl, "alice", "tester"), 0, 1,
             "tester is our user and is rung; netkit finds no tester logged in"},
            {"DELETE of an unknown id", request(1, 2, id(99), wireAddr(2, 40000), ctl, "alice", "tester"), 0, 1,
             "our daemon answers every DELETE SUCCESS (and closes the caller's prompts)"},
        };
        for (const Row& row : rows) {
            const QByteArray a = exchange(s, ourPort, row.datagram);
            const QByteArray b = exchange(s, netkitPort, row.datagram);
            QVERIFY2(a.size() >= 24 && b.size() >= 24, row.what);
            QVERIFY2(int(quint8(a[2])) == row.ours,
                     qPrintable(QStringLiteral("%1: ours %2").arg(row.what).arg(quint8(a[2]))));
            QVERIFY2(int(quint8(b[2])) == row.netkit,
                     qPrintable(QStringLiteral("%1: netkit %2").arg(row.what).arg(quint8(b[2]))));
            QCOMPARE(a[1], b[1]); // both repeat the type
            if (!row.why)
                QCOMPARE(a[2], b[2]);
        }

        // An invitation left and found: both give back the invitation's addr; both delete it by the id they gave.
        // netkit answers a newly kept LEAVE_INVITE NOT_HERE ("not here yet"); ours answers SUCCESS, as a stored
        // request is. Talk programs do not read that answer.
        const QByteArray leave = request(1, 0, id(0), wireAddr(2, 41000), wireAddr(2, 41001), "tester", "alice");
        const QByteArray leftOurs = exchange(s, ourPort, leave);
        const QByteArray leftNetkit = exchange(s, netkitPort, leave);
        QCOMPARE(int(leftOurs[2]), 0);
        QCOMPARE(int(leftNetkit[2]), 1);
        const QByteArray look = request(1, 1, id(0), wireAddr(2, 42000), ctl, "alice", "tester");
        const QByteArray foundOurs = exchange(s, ourPort, look);
        const QByteArray foundNetkit = exchange(s, netkitPort, look);
        QCOMPARE(int(foundOurs[2]), 0);
        QCOMPARE(int(foundNetkit[2]), 0);
        QCOMPARE(foundOurs.mid(8, 16).toHex(), wireAddr(2, 41000).toHex());
        QCOMPARE(foundNetkit.mid(8, 16).toHex(), foundOurs.mid(8, 16).toHex());
        const QByteArray delOurs =
            exchange(s, ourPort, request(1, 2, leftOurs.mid(4, 4), wireAddr(2, 40000), ctl, "tester", "alice"));
        const QByteArray delNetkit =
            exchange(s, netkitPort, request(1, 2, leftNetkit.mid(4, 4), wireAddr(2, 40000), ctl, "tester", "alice"));
        QCOMPARE(int(delOurs[2]), 0);
        QCOMPARE(int(delNetkit[2]), 0);
        QCOMPARE(int(exchange(s, ourPort, look)[2]), 1);
        QCOMPARE(int(exchange(s, netkitPort, look)[2]), 1);

        // An overlong datagram: netkit stays silent; ours reports a receipt error and sends nothing either.
        QCOMPARE(exchange(s, ourPort, QByteArray(100, '\1'), 300), QByteArray());
        QVERIFY(ours.waitForLine(QStringLiteral("ERROR Server: socket error 10040 occured. | Murmelo daemon reports "
                                                "receipt error.")));
    }

    void portTakenAndPortForbidden() {
        // A second daemon on a port in use: the address-in-use text; a user without privilege on 518: 10013, and how
        // to grant the program the port.
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0));
        Child second;
        second.process.start(daemonHost(), {QStringLiteral("--port"), QString::number(holder.localPort())});
        QVERIFY(second.waitForLine(QStringLiteral("FAILED 10048 Hm... it appears there is another talk program")));
        NetNamespace host(QStringLiteral("zunoport"));
        QVERIFY2(host.ok(), qPrintable(host.error()));
        const QString out =
            shOut(QStringLiteral("ip netns exec %1 setpriv --reuid=nobody --regid=nogroup --clear-groups "
                                 "%2 --port 518 </dev/null")
                      .arg(host.name(), daemonHost()));
        QCOMPARE(out.trimmed(),
                 QStringLiteral("FAILED 10013 Socket error 10013 occured. Program terminated. | To let this "
                                "program use port 518, run as root: setcap cap_net_bind_service=+ep ") +
                     QFileInfo(daemonHost()).canonicalFilePath());
    }
};

QTEST_GUILESS_MAIN(TestDaemonInterop)
#include "tst_daemoninterop.moc"
