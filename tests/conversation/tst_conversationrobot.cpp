// The talk robot's conversations: what it sends, what it files on every way out, and when it gives up.
#include "EngineFixture.h"

#include "conversation/ConversationEngine.h"
#include "daemon/CTalkDaemon.h"
#include "robot/StoreRobotMessage.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace talk;

class TestConversationRobot : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(f.warmUp()); }
    void init() { f.setUp(); }
    void cleanup() { QVERIFY2(f.tearDown(), qPrintable(f.failure)); }
    void robotFilesCallersText_data();
    void robotFilesCallersText();
    void robotGivesUpAfterFourAnnouncements();
    void robotNeverConnectedEnds_data();
    void robotNeverConnectedEnds();
    void robotKeepsAtMostOneMebibyte();
    void robotFilesOnEveryWayOut_data();
    void robotFilesOnEveryWayOut();
    void robotAsksNobody_data();
    void robotAsksNobody();
    void robotLooksUpAgainBeforeCallingBack_data();
    void robotLooksUpAgainBeforeCallingBack();

private:
    EngineFixture f;
};

void TestConversationRobot::robotFilesCallersText_data() {
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QString>("filed");
    QTest::newRow("text with erases") << QByteArray("\x7f\x15\x17hello\x7fp\nbye now\x17then") << "hellp\r\nbye then";
    QTest::newRow("nothing typed") << QByteArray("\x7f\x15\x17") << QString();
    QTest::newRow("typed and killed") << QByteArray("\x7f\x15\x17oops\x15") << QString();
}
void TestConversationRobot::robotFilesCallersText() {
    QFETCH(QByteArray, typed);
    QFETCH(QString, filed);
    f.core->settings().autotext = QStringLiteral("Leave a message.\r\nThanks");
    // A Latin-1 caller: the message keeps the bytes of the name.
    const WireName caller = WireName::received(QByteArray("b\xf6"
                                                          "b"));
    ConversationEngine* e = f.make(1, HOST, caller);
    QPointer<ConversationEngine> guard(e);
    QTcpSocket* peer = f.connectAsCallee(e);
    QVERIFY(peer);
    QCOMPARE(e->status(), QStringLiteral("Connected."));
    QTRY_COMPARE(peer->bytesAvailable(), qint64(3 + 23));
    QCOMPARE(peer->readAll(), QByteArray("\x08\x15\x17Leave a message.\nThanks"));
    peer->write(typed);
    peer->flush();
    QTest::qWait(100);
    peer->disconnectFromHost();
    QTRY_VERIFY(guard.isNull());
    if (filed.isEmpty()) {
        QCOMPARE(f.core->messages().count(), 0);
    } else {
        QCOMPARE(f.core->messages().count(), 1);
        QCOMPARE(f.core->messages().messages().at(0).text, filed);
        QCOMPARE(f.core->messages().messages().at(0).host, HOST);
        QCOMPARE(f.core->messages().messages().at(0).user, caller);
    }
    QCOMPARE(f.remote->types().last(), int(DELETE));
}
void TestConversationRobot::robotGivesUpAfterFourAnnouncements() {
    f.remote->script = [](const ControlMessage& m) -> std::optional<QByteArray> {
        return ScriptedDaemon::reply(m, m.type == LOOK_UP ? NOT_HERE : SUCCESS, 1);
    };
    ConversationEngine* e = f.make(1, HOST, QStringLiteral("mallory"));
    QPointer<ConversationEngine> guard(e);
    e->setResendInterval(40);
    QVERIFY(e->start());
    QTRY_VERIFY(guard.isNull() || guard->isReleased());
    QTRY_COMPARE(f.remote->types().last(), int(DELETE));
    QCOMPARE(f.remote->types().count(ANNOUNCE), bounds::ROBOT_ANNOUNCE_LIMIT);
    QCOMPARE(f.core->messages().count(), 0);
    QVERIFY(f.boxes->shown.isEmpty());
}
void TestConversationRobot::robotNeverConnectedEnds_data() {
    QTest::addColumn<bool>("silent");
    QTest::newRow("silent daemon") << true;
    QTest::newRow("caller gone before the connect") << false;
}
void TestConversationRobot::robotNeverConnectedEnds() {
    QFETCH(bool, silent);
    quint16 deadPort;
    {
        QTcpServer s;
        QVERIFY(s.listen(QHostAddress::LocalHost, 0));
        deadPort = s.serverPort();
    }
    if (!silent)
        f.remote->script = [deadPort](const ControlMessage& m) -> std::optional<QByteArray> {
            return m.type == LOOK_UP ? std::optional(ScriptedDaemon::reply(m, SUCCESS, 1, deadPort)) : std::nullopt;
        };
    ConversationEngine* e = f.make(1, HOST, QStringLiteral("bob"));
    QPointer<ConversationEngine> guard(e);
    constexpr int resendMs = 60;
    e->setResendInterval(resendMs);
    QElapsedTimer waited;
    waited.start();
    QVERIFY(e->start());
    QTRY_VERIFY(guard.isNull());
    // A silent daemon is waited for all the robot's wait periods (a coarse timer may run out up to 5 % early).
    if (silent)
        QVERIFY(waited.elapsed() >= resendMs * ConversationEngine::ROBOT_WAIT_PERIODS * 95 / 100);
    // The DELETE is the engine's last datagram; the scripted daemon reads it in a later turn of the loop.
    QTRY_COMPARE(f.remote->types().last(), int(DELETE));
    QCOMPARE(f.core->messages().count(), 0);
    QVERIFY(f.boxes->shown.isEmpty());
}
void TestConversationRobot::robotKeepsAtMostOneMebibyte() {
    ConversationEngine* e = f.make(1, HOST, QStringLiteral("bob"));
    QPointer<ConversationEngine> guard(e);
    QTcpSocket* peer = f.connectAsCallee(e);
    QVERIFY(peer);
    const QByteArray line = QByteArray(1023, 'x') + '\n';
    peer->write("\x08\x15\x17");
    for (int i = 0; i < 3 * 1024; ++i) // 3 MiB
        peer->write(line);
    // The robot hangs up by itself once the caller has typed as much as a message keeps.
    QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 20000);
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(f.core->messages().count(), 1);
    const QString text = f.core->messages().messages().at(0).text;
    QCOMPARE(text.size(), bounds::ROBOT_TEXT_LIMIT + ROBOT_TEXT_CUT_MARK.size());
    QVERIFY(text.endsWith(ROBOT_TEXT_CUT_MARK));
}

namespace {
enum class WayOut { CallerSilent, CallTooLong, ConnectionFails, ProgramEnds };
}
Q_DECLARE_METATYPE(WayOut)

void TestConversationRobot::robotFilesOnEveryWayOut_data() {
    QTest::addColumn<WayOut>("way");
    QTest::newRow("caller falls silent") << WayOut::CallerSilent;
    QTest::newRow("call lasts too long") << WayOut::CallTooLong;
    QTest::newRow("connection fails (network drops)") << WayOut::ConnectionFails;
    QTest::newRow("program ends while it runs") << WayOut::ProgramEnds;
}
// Whatever ends a robot conversation, what the caller typed is filed, once, and without a box.
void TestConversationRobot::robotFilesOnEveryWayOut() {
    QFETCH(WayOut, way);
    ConversationEngine* e = f.make(1, HOST, QStringLiteral("bob"));
    QPointer<ConversationEngine> guard(e);
    const int shortLimit = 300, longLimit = 60000;
    e->setRobotLimits(way == WayOut::CallerSilent ? shortLimit : longLimit, longLimit);
    QCOMPARE(f.core->messages().placesHeld(), 1); // what it files will fit
    QTcpSocket* peer = f.connectAsCallee(e);
    QVERIFY(peer);
    if (way == WayOut::CallTooLong)
        e->setRobotLimits(longLimit, shortLimit); // counted from now, the call's start is long past
    peer->write("\x7f\x15\x17hello\nworld");
    QTRY_COMPARE(e->remoteText(), QStringLiteral("hello\r\nworld"));
    QCOMPARE(f.core->messages().count(), 0);
    switch (way) {
    case WayOut::CallerSilent:
    case WayOut::CallTooLong:
        break; // the robot hangs up by itself
    case WayOut::ConnectionFails: {
        auto* data = e->findChild<QTcpSocket*>();
        QVERIFY(data);
        emit data->errorOccurred(QAbstractSocket::NetworkError);
        break;
    }
    case WayOut::ProgramEnds:
        delete e;
        break;
    }
    QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), WAIT);
    if (way != WayOut::ProgramEnds)
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(f.core->messages().count(), 1);
    QCOMPARE(f.core->messages().messages().at(0).text, QStringLiteral("hello\r\nworld"));
    QCOMPARE(f.core->messages().messages().at(0).user.text, QStringLiteral("bob"));
    QCOMPARE(f.core->messages().placesHeld(), 0);
    QVERIFY2(f.boxes->shown.isEmpty(), qPrintable(f.boxes->texts().join('|')));
}

void TestConversationRobot::robotAsksNobody_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("refused unless urgent") << int(REFUSED_UNLESS_URGENT);
    QTest::newRow("refused even urgent") << int(REFUSED_EVEN_URGENT);
    QTest::newRow("user present") << int(USER_PRESENT);
    QTest::newRow("robot present") << int(ROBOT_PRESENT);
}
// A rejection or a "who is there" answer ends a robot conversation without a box and without a message.
void TestConversationRobot::robotAsksNobody() {
    QFETCH(int, answer);
    f.remote->script = [answer](const ControlMessage& m) -> std::optional<QByteArray> {
        if (m.type != LOOK_UP)
            return std::nullopt;
        return answer >= USER_PRESENT ? ScriptedDaemon::probeReply(m, std::uint8_t(answer), "carol")
                                      : ScriptedDaemon::reply(m, std::uint8_t(answer));
    };
    ConversationEngine* e = f.make(1, HOST, QStringLiteral("bob"));
    QPointer<ConversationEngine> guard(e);
    QVERIFY(e->start());
    QTRY_VERIFY(guard.isNull());
    QCOMPARE(f.remote->types().last(), int(DELETE));
    QCOMPARE(f.remote->requests.last().message.remoteName(), std::string("bob"));
    QVERIFY2(f.boxes->shown.isEmpty(), qPrintable(f.boxes->texts().join('|')));
    QCOMPARE(f.core->messages().count(), 0);
    QCOMPARE(f.core->messages().placesHeld(), 0);
}

void TestConversationRobot::robotLooksUpAgainBeforeCallingBack_data() {
    QTest::addColumn<int>("misses");
    QTest::addColumn<QByteArray>("name"); // the caller's l_name bytes
    QTest::newRow("invitation there at once") << 0 << QByteArray("bob");
    QTest::newRow("left just after the announce") << 1 << QByteArray("bob");
    QTest::newRow("left after the last retry") << ConversationEngine::ROBOT_LOOKUP_RETRIES << QByteArray("bob");
    QTest::newRow("Latin-1 name") << 0 << QByteArray("j\xf6rg");
    QTest::newRow("UTF-8 name") << 0 << QByteArray("j\xc3\xb6rg");
}
// A Unix talk caller announces first and leaves its invitation after: the robot, which answers at once, must
// find it on a later LOOK_UP and connect, not ring the caller back. The caller's daemon finds the invitation by
// the name's bytes, which the robot has from this host's daemon's ring.
void TestConversationRobot::robotLooksUpAgainBeforeCallingBack() {
    QFETCH(int, misses);
    QFETCH(QByteArray, name);
    CTalkDaemon daemon(*f.core);
    QSignalSpy ring(&daemon, &CTalkDaemon::ring);
    ControlMessage announce;
    announce.vers = TALK_VERSION;
    announce.type = ANNOUNCE;
    announce.addr = announce.ctl_addr = SockAddr{AF_INET_WIRE, 40000, 0x7F000001, {}};
    announce.setLocalName(name.toStdString());
    announce.setRemoteName("alice");
    const Datagram datagram = announce.encode();
    daemon.handleDatagram(QByteArray(reinterpret_cast<const char*>(datagram.data()), qsizetype(datagram.size())),
                          0x7F000001, 40000);
    QCOMPARE(ring.size(), 1);

    QTcpServer caller;
    QVERIFY(caller.listen(QHostAddress::LocalHost, 0));
    const quint16 port = caller.serverPort();
    f.remote->script = [misses, port, name, lookUps = 0](const ControlMessage& m) mutable -> std::optional<QByteArray> {
        if (m.type != LOOK_UP)
            return ScriptedDaemon::reply(m, SUCCESS, 3);
        if (QByteArray::fromStdString(m.remoteName()) != name)
            return ScriptedDaemon::reply(m, NOT_HERE);
        return ++lookUps > misses ? ScriptedDaemon::reply(m, SUCCESS, 3, port) : ScriptedDaemon::reply(m, NOT_HERE);
    };
    ConversationEngine* e = f.make(1, HOST, ring[0][2].value<WireName>());
    QPointer<ConversationEngine> guard(e);
    QVERIFY(e->start());
    QTRY_VERIFY_WITH_TIMEOUT(caller.hasPendingConnections(), WAIT);
    QTcpSocket* peer = caller.nextPendingConnection();
    QTRY_VERIFY(guard && guard->isConnected());
    QCOMPARE(f.remote->types().count(LOOK_UP), misses + 1);
    QCOMPARE(QByteArray::fromStdString(f.remote->requests[0].message.remoteName()), name);
    QCOMPARE(QByteArray::fromStdString(f.remote->requests[0].message.localName()), QByteArray("alice"));
    QCOMPARE(f.remote->types().count(ANNOUNCE), 0);
    QCOMPARE(f.local->types().count(LEAVE_INVITE), 0); // no invitation of its own
    QTRY_VERIFY(peer->bytesAvailable() >= 3);
    QCOMPARE(peer->read(3), QByteArray(ConversationEngine::EDIT_CHARS, 3));
    peer->close();
    QTRY_VERIFY(guard.isNull() || guard->isReleased());
}

QTEST_GUILESS_MAIN(TestConversationRobot)
#include "tst_conversationrobot.moc"
