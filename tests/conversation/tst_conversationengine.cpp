// The conversation engine against scripted daemons and real TCP peers on the loopback.
#include "EngineFixture.h"

#include "conversation/ClosingConnection.h"
#include "conversation/ConversationEngine.h"
#include "conversation/EraseRules.h"
#include "platform/LoginName.h"
#include "robot/StoreRobotMessage.h"

#include <QDir>
#include <QHostInfo>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include <atomic>
#include <thread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace talk;

class TestConversationEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(f.warmUp()); }
    void init() { f.setUp(); }
    void cleanup() { QVERIFY2(f.tearDown(), qPrintable(f.failure)); }
    void firstLookUpIsBuiltAndRouted();
    void callerRole();
    void calleeRole();
    void strangerConnectingFirstIsRefused_data();
    void strangerConnectingFirstIsRefused();
    void replyFromElsewhereIgnored_data();
    void replyFromElsewhereIgnored();
    void answerTexts_data();
    void answerTexts();
    void probeQuestion_data();
    void probeQuestion();
    void closingWithoutUserSendsProbes();
    void rejection_data();
    void rejection();
    void resetConnection();
    void typedTextLeavesInItsTurn();
    void closingSendsWhatWasTyped_data();
    void closingSendsWhatWasTyped();
    void streamReadInBoundedTurns_data();
    void streamReadInBoundedTurns();
    void unresolvableHostWaits();
    void hostNameResolvedBeforeEverySend();
    void silentDaemonAndVanishedPeer();
    void listeningSocketFailure_data();
    void listeningSocketFailure();
    void acceptFailure_data();
    void acceptFailure();
    void survivesDeletionDuringQuestion();

private:
    EngineFixture f;
};

void TestConversationEngine::firstLookUpIsBuiltAndRouted() {
    f.core->settings().ltra = 300; // only the low 8 bits travel
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QVERIFY(e->start());
    QCOMPARE(e->status(), QStringLiteral("Trying to connect to 127.0.0.1..."));
    QTRY_COMPARE(f.remote->requests.size(), 1);
    const ReceivedRequest& r = f.remote->requests[0];
    QCOMPARE(r.length, qsizetype(84));
    QCOMPARE(r.senderPort, e->port()); // the control socket shares the listener's port number
    QCOMPARE(r.message.vers, 1);
    QCOMPARE(r.message.type, LOOK_UP);
    QCOMPARE(r.message.pad, 300 & 0xFF);
    QCOMPARE(r.message.id_num, (IdBytes{0, 0, 0, 0}));
    const SockAddr expected{2, e->port(), 0x7F000001, {}};
    QCOMPARE(r.message.addr, expected);
    QCOMPARE(r.message.ctl_addr, expected);
    QCOMPARE(QString::fromStdString(r.message.localName()), QStringLiteral("alice"));
    QCOMPARE(QString::fromStdString(r.message.remoteName()), QStringLiteral("bob"));
    QCOMPARE(r.message.r_tty, (std::array<std::uint8_t, 16>{}));
    QTest::qWait(100);
    QVERIFY(f.local->requests.isEmpty()); // LOOK_UP goes to the remote daemon only
}

void TestConversationEngine::callerRole() {
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("a-very-long-name"));
    e->setResendInterval(150);
    QStringList statuses;
    QObject scope; // the connection ends with this test, before `statuses` goes
    connect(e, &ConversationEngine::statusChanged, &scope, [&](const QString& s) { statuses << s; });
    QTcpSocket* peer = f.connectAsCallee(e, 2);
    QVERIFY(peer);
    // LOOK_UP, ANNOUNCE (id 0) at least once more with the id the daemon gave back.
    QVERIFY(f.remote->types().size() >= 3);
    QCOMPARE(f.remote->types().mid(0, 3), (QList<int>{LOOK_UP, ANNOUNCE, ANNOUNCE}));
    QCOMPARE(f.remote->requests[1].message.idNetworkOrder(), 0u);
    QCOMPARE(f.remote->requests[2].message.idNetworkOrder(), 5u);
    QCOMPARE(QString::fromStdString(f.remote->requests[1].message.remoteName()), QStringLiteral("a-very-long-"));
    QCOMPARE(f.local->requests[0].message.type, LEAVE_INVITE);
    QCOMPARE(f.local->requests[0].message.idNetworkOrder(), 0u);
    QVERIFY(statuses.contains(QStringLiteral("Sending announce.")));
    QVERIFY(statuses.contains(QStringLiteral("Waiting for the callee to accept the request.")));
    QVERIFY(statuses.contains(QStringLiteral("Resending announce.")));
    QCOMPARE(f.local->types().count(LEAVE_INVITE), 1); // never repeated

    // Connected: the edit characters, DELETE to both daemons with their ids, the title and status.
    QTRY_COMPARE(peer->bytesAvailable(), qint64(3));
    QCOMPARE(peer->readAll(), QByteArray("\x08\x15\x17"));
    QTRY_VERIFY(f.remote->types().contains(DELETE));
    QTRY_VERIFY(f.local->types().contains(DELETE));
    QCOMPARE(f.remote->requests.last().message.idNetworkOrder(), 5u);
    QCOMPARE(f.local->requests.last().message.idNetworkOrder(), 9u);
    QCOMPARE(e->status(), QStringLiteral("Connected."));
    QCOMPARE(e->title(), QStringLiteral("Murmelo: talking to a-very-long-name at 127.0.0.1"));
    const int announces = f.remote->types().count(ANNOUNCE);
    QTest::qWait(400);
    QCOMPARE(f.remote->types().count(ANNOUNCE), announces); // the resend timer stopped

    // A second program is never taken.
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, e->port());
    QVERIFY(!late.waitForConnected(1000) || !late.waitForReadyRead(300));

    // Text both ways.
    QVERIFY(e->SendTypedText(0, QStringLiteral("ab")));
    QVERIFY(e->SendTypedText(1, QString()));
    QVERIFY(e->SendTypedText(1, QStringLiteral("c\n")));
    QTRY_COMPARE(peer->bytesAvailable(), qint64(5));
    QCOMPARE(peer->readAll(), QByteArray("ab\x08"
                                         "c\n"));
    peer->write(QByteArray("\x7f\x15\x17hello\x7fp"));
    QTRY_COMPARE(e->remoteText(), QStringLiteral("hellp"));

    // The peer hangs up: the window stays, DELETE again.
    const int deletes = f.remote->types().count(DELETE);
    QSignalSpy closed(e, &ConversationEngine::peerClosed);
    peer->disconnectFromHost();
    QTRY_COMPARE(closed.size(), 1);
    QCOMPARE(e->status(), QStringLiteral("Connection closed."));
    QCOMPARE(e->title(), QStringLiteral("Murmelo"));
    QVERIFY(!e->isReleased());
    QTRY_COMPARE(f.remote->types().count(DELETE), deletes + 1);
    QVERIFY(f.boxes->shown.isEmpty());
}

void TestConversationEngine::calleeRole() {
    QTcpServer caller;
    QVERIFY(caller.listen(QHostAddress::LocalHost, 0));
    const quint16 callerPort = caller.serverPort();
    f.remote->script = [callerPort](const ControlMessage& m) -> std::optional<QByteArray> {
        if (m.type == LOOK_UP)
            return ScriptedDaemon::reply(m, SUCCESS, 3, callerPort);
        return ScriptedDaemon::reply(m, SUCCESS);
    };
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QVERIFY(e->start());
    QTRY_VERIFY(caller.hasPendingConnections());
    QTcpSocket* peer = caller.nextPendingConnection();
    QCOMPARE(peer->peerPort(), e->port()); // the data socket is bound to the conversation's port
    QTRY_VERIFY(e->isConnected());
    QTRY_COMPARE(peer->bytesAvailable(), qint64(3));
    QCOMPARE(peer->readAll(), QByteArray("\x08\x15\x17"));
    QCOMPARE(e->status(), QStringLiteral("Connected."));
    QTRY_VERIFY(f.remote->types().contains(DELETE));
    QCOMPARE(f.remote->requests.last().message.idNetworkOrder(), 0u); // no remote id was ever given
    QCOMPARE(f.remote->types().count(ANNOUNCE), 0);                   // the callee never rings
    peer->write("\x08\x15\x17hi");
    QTRY_COMPARE(e->remoteText(), QStringLiteral("hi"));
    e->EndConversation();
    QVERIFY(e->isReleased());
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
}

void TestConversationEngine::strangerConnectingFirstIsRefused_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("interactive") << 0;
    QTest::newRow("robot calling back") << 1;
}

// The daemon tells anyone where a call waits: a stranger (127.0.0.3) that connects first is refused, and the host
// that was called (127.0.0.2) still gets through; only its text is taken.
void TestConversationEngine::strangerConnectingFirstIsRefused() {
    QFETCH(int, mode);
    f.remote = std::make_unique<ScriptedDaemon>(QHostAddress(QStringLiteral("127.0.0.2")));
    f.core->setRemoteDaemonPort(f.remote->port());
    ConversationEngine* e = f.make(mode, QStringLiteral("127.0.0.2"), QStringLiteral("bob"));
    QVERIFY(f.announce(e));
    QTcpSocket* stranger = f.connectFrom(e, QHostAddress(QStringLiteral("127.0.0.3")));
    QVERIFY(stranger);
    stranger->write("\x08\x15\x17slipped in");
    QTRY_COMPARE(stranger->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(stranger->readAll().isEmpty());
    QVERIFY(!e->isConnected());
    QTcpSocket* peer = f.connectFrom(e, QHostAddress(QStringLiteral("127.0.0.2")));
    QVERIFY(peer);
    QTRY_VERIFY(peer->bytesAvailable() >= 3);
    QCOMPARE(peer->read(3), QByteArray("\x08\x15\x17"));
    QCOMPARE(e->title(), QStringLiteral("Murmelo: talking to bob at 127.0.0.2"));
    peer->write("\x08\x15\x17hello");
    QTRY_COMPARE(e->remoteText(), QStringLiteral("hello")); // what a robot files
}

void TestConversationEngine::replyFromElsewhereIgnored_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("daemonPort");
    QTest::newRow("the daemon's address, another port") << "127.0.0.1" << false;
    QTest::newRow("another address, the daemon's port") << "127.0.0.3" << true;
}

// A reply that the daemon asked did not send changes nothing: the daemon's own, which comes after it, is followed.
void TestConversationEngine::replyFromElsewhereIgnored() {
    QFETCH(QString, address);
    QFETCH(bool, daemonPort);
    f.remote->script = [](const ControlMessage& m) { return ScriptedDaemon::reply(m, NOT_HERE); };
    QUdpSocket forger;
    QVERIFY(forger.bind(QHostAddress(address), daemonPort ? f.remote->port() : 0));
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QVERIFY(e->start());
    // Sent before the daemon has read the request, so it arrives first: an invitation at the forger's port.
    ControlMessage forged;
    forged.type = LOOK_UP;
    forger.writeDatagram(ScriptedDaemon::reply(forged, SUCCESS, 1, forger.localPort()), QHostAddress(HOST), e->port());
    QTRY_VERIFY(f.remote->types().contains(ANNOUNCE)); // the caller role, as the daemon's NOT_HERE says
}

void TestConversationEngine::answerTexts_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("status");
    const QString trying = QStringLiteral("Trying to connect to 127.0.0.1...");
    QTest::newRow("not here to announce")
        << int(ANNOUNCE) << int(NOT_HERE)
        << QStringLiteral(
               "Callee is not logged in the remote system (note that the remote host can be case-sensitive).");
    QTest::newRow("failed") << int(LOOK_UP) << int(FAILED) << QStringLiteral("Remote host reports general failure.");
    QTest::newRow("machine unknown") << int(LOOK_UP) << int(MACHINE_UNKNOWN)
                                     << QStringLiteral("Caller's machine name unknown.");
    QTest::newRow("permission denied")
        << int(ANNOUNCE) << int(PERMISSION_DENIED)
        << QStringLiteral("User refuses request (tho' maybe remote terminal doesn't permit announce).");
    QTest::newRow("unknown request") << int(LOOK_UP) << int(UNKNOWN_REQUEST)
                                     << QStringLiteral("Invalid request type; connection reset.");
    QTest::newRow("bad version") << int(LOOK_UP) << int(BADVERSION) << QStringLiteral("Invalid protocol version.");
    QTest::newRow("bad addr") << int(LOOK_UP) << int(BADADDR)
                              << QStringLiteral("Invalid address value; connection reset.");
    QTest::newRow("bad ctl addr") << int(LOOK_UP) << int(BADCTLADDR)
                                  << QStringLiteral("Invalid address value; connection reset.");
    QTest::newRow("success to delete") << int(DELETE) << int(SUCCESS) << trying;
    QTest::newRow("not here to delete") << int(DELETE) << int(NOT_HERE) << trying;
    QTest::newRow("unknown answer") << int(LOOK_UP) << 99 << trying;
}

// Replies are matched by the type they carry, whatever was asked.
void TestConversationEngine::answerTexts() {
    QFETCH(int, type);
    QFETCH(int, answer);
    QFETCH(QString, status);
    // By value: the script may still answer after this data row has ended.
    f.remote->script = [type, answer](const ControlMessage& m) -> std::optional<QByteArray> {
        ControlMessage r = m;
        r.type = std::uint8_t(type);
        return ScriptedDaemon::reply(r, std::uint8_t(answer));
    };
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QVERIFY(e->start());
    QTRY_COMPARE(f.remote->requests.size(), 1);
    QTRY_COMPARE(e->status(), status);
    QTest::qWait(50);
    QCOMPARE(e->status(), status);
    QVERIFY(!e->isReleased());
    QVERIFY(f.boxes->shown.isEmpty());
}

void TestConversationEngine::probeQuestion_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("button");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("shown");
    QTest::newRow("user present, yes") << int(USER_PRESENT) << int(MessageBoxService::Yes) << QByteArray("carol")
                                       << "carol";
    QTest::newRow("robot present, no") << int(ROBOT_PRESENT) << int(MessageBoxService::No) << QByteArray("carol")
                                       << "carol";
    QTest::newRow("control characters in caret form")
        << int(USER_PRESENT) << int(MessageBoxService::Yes) << QByteArray("ev\x1bil\x07") << "ev^[il^G";
    QTest::newRow("Latin-1 name") << int(USER_PRESENT) << int(MessageBoxService::Yes) << QByteArray("j\xf6rg")
                                  << "j\u00f6rg";
}

void TestConversationEngine::probeQuestion() {
    QFETCH(int, answer);
    QFETCH(int, button);
    QFETCH(QByteArray, user);
    QFETCH(QString, shown);
    f.remote->script = [answer, user](const ControlMessage& m) -> std::optional<QByteArray> {
        if (m.type == PROBE)
            return ScriptedDaemon::probeReply(m, std::uint8_t(answer), user.constData());
        return std::nullopt;
    };
    f.boxes->answers.enqueue(button);
    ConversationEngine* e = f.make(0, HOST, QString());
    const QPointer<ConversationEngine> guard(e); // No ends the conversation, which may be deleted at once
    QVERIFY(e->start());
    QTRY_COMPARE(f.boxes->shown.size(), 1);
    QCOMPARE(f.remote->requests[0].message.type, PROBE);
    QCOMPARE(f.remote->requests[0].message.id_num, PROBE_ID_REQUEST);
    QCOMPARE(f.boxes->shown[0].text,
             QStringLiteral("User at 127.0.0.1 is %1. Would you like to talk to him?").arg(shown));
    QCOMPARE(f.boxes->shown[0].title, QStringLiteral("Murmelo"));
    QCOMPARE(f.boxes->shown[0].icon, MessageBoxService::Icon::Question);
    QCOMPARE(f.boxes->shown[0].buttons, MessageBoxService::Yes | MessageBoxService::No);
    QTRY_COMPARE(f.remote->requests.size(), 2);
    const ControlMessage& next = f.remote->requests[1].message;
    if (button == MessageBoxService::Yes) {
        QCOMPARE(next.type, LOOK_UP);
        QCOMPARE(next.id_num, (IdBytes{0, 0, 0, 0}));
        QCOMPARE(QByteArray::fromStdString(next.remoteName()), user); // the name goes back as it came
        QVERIFY(!e->isReleased());
        QCOMPARE(e->remoteName().bytes, user);
    } else {
        QCOMPARE(next.type, DELETE);
        QVERIFY(!guard || guard->isReleased());
        if (guard)
            QCOMPARE(guard->remoteName().bytes, user);
    }
}

void TestConversationEngine::closingWithoutUserSendsProbes() {
    f.local->script = [](const ControlMessage&) { return std::nullopt; };
    ConversationEngine* e = f.make(0, HOST, QString());
    QVERIFY(e->start());
    QTRY_COMPARE(f.remote->requests.size(), 1);
    e->EndConversation();
    QTRY_COMPARE(f.remote->requests.size(), 2);
    QTRY_COMPARE(f.local->requests.size(), 1);
    QCOMPARE(f.remote->requests[1].message.type, PROBE);
    QCOMPARE(f.remote->requests[1].message.id_num, PROBE_ID_REQUEST);
    QCOMPARE(f.local->requests[0].message.type, PROBE);
    QCOMPARE(f.local->requests[0].message.id_num, (IdBytes{0, 0, 0, 0}));
}

void TestConversationEngine::rejection_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("unless urgent") << int(REFUSED_UNLESS_URGENT);
    QTest::newRow("even urgent") << int(REFUSED_EVEN_URGENT);
}

void TestConversationEngine::rejection() {
    QFETCH(int, answer);
    f.remote->script = [answer](const ControlMessage& m) -> std::optional<QByteArray> {
        if (m.type == LOOK_UP)
            return ScriptedDaemon::reply(m, std::uint8_t(answer));
        return std::nullopt;
    };
    QPointer<ConversationEngine> e = f.make(0, HOST, QStringLiteral("bob")); // OK on the box ends it
    QStringList statuses;
    QObject scope; // the connection ends with this test, before `statuses` goes
    connect(e, &ConversationEngine::statusChanged, &scope, [&](const QString& s) { statuses << s; });
    QVERIFY(e->start());
    QTRY_COMPARE(f.boxes->shown.size(), 1);
    QVERIFY(statuses.contains(QStringLiteral("Request's rejected.")));
    QCOMPARE(f.boxes->shown[0].text,
             QStringLiteral("User bob at 127.0.0.1 would not like to talk to you at the moment."));
    QCOMPARE(f.boxes->shown[0].title, QStringLiteral("Murmelo: error"));
    QCOMPARE(f.boxes->shown[0].icon, MessageBoxService::Icon::Warning);
    QTRY_VERIFY(e == nullptr || e->isReleased());
    QTRY_COMPARE(f.remote->types().last(), int(DELETE));
}

void TestConversationEngine::resetConnection() {
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QTcpSocket* peer = f.connectAsCallee(e);
    QVERIFY(peer);
    peer->write("\x08\x15\x17x");
    QTRY_COMPARE(e->remoteText(), QStringLiteral("x"));
    // An abortive close sends a reset.
    struct linger lg {
        1, 0
    };
    QCOMPARE(::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &lg, sizeof lg), 0);
    peer->abort();
    QTRY_COMPARE(e->status(), QStringLiteral("Connection closed."));
    QVERIFY(!e->isReleased());
    // Qt on Linux reports a reset as a close; where it tells them apart the 10054 box comes first.
    const QStringList texts = f.boxes->texts();
    QVERIFY2(texts.isEmpty() || texts == QStringList{QStringLiteral("Connection's closed by remote host")},
             qPrintable(texts.join('|')));
    QCOMPARE(e->remoteText(), QStringLiteral("x"));
}

// Typed text is on the wire when the call returns, with no turn of the event loop in between (only the peer's socket
// is waited on). A failure found there, a reset the loop has not read yet, takes the closed path once the change is
// in the record.
void TestConversationEngine::typedTextLeavesInItsTurn() {
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QTcpSocket* peer = f.connectAsCallee(e);
    QVERIFY(peer);
    QTRY_COMPARE(peer->bytesAvailable(), qint64(3)); // the edit characters
    peer->readAll();
    QVERIFY(e->SendTypedText(0, QStringLiteral("ab")));
    QVERIFY(e->localEditChar(EraseRules::KILL_LINE));
    while (peer->bytesAvailable() < 3 && peer->waitForReadyRead(WAIT)) {
    }
    QCOMPARE(peer->readAll(), QByteArray("ab\x15"));

    QTcpSocket* data = e->findChild<QTcpSocket*>();
    QVERIFY(data);
    struct linger lg {
        1, 0
    };
    QCOMPARE(::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &lg, sizeof lg), 0);
    peer->abort();
    pollfd reset{int(data->socketDescriptor()), POLLIN, 0};
    QCOMPARE(::poll(&reset, 1, WAIT), 1);
    QString recordAtClose;
    QObject scope;
    connect(e, &ConversationEngine::peerClosed, &scope, [&] { recordAtClose = e->localRecord().sentText(); });
    e->SendTypedText(0, QStringLiteral("c"));
    QCOMPARE(recordAtClose, QStringLiteral("c"));
    QCOMPARE(e->status(), QStringLiteral("Connection closed."));
    QVERIFY(!e->isReleased());
}

void TestConversationEngine::closingSendsWhatWasTyped_data() {
    QTest::addColumn<bool>("programEnds"); // no event loop runs after the close
    QTest::newRow("in the background") << false;
    QTest::newRow("at the program's end") << true;
}

// Far more text than the sockets can hold is typed to a peer that has not read yet, and the conversation is closed:
// the peer, reading slowly from then on, receives every byte in order and then the end of the stream.
void TestConversationEngine::closingSendsWhatWasTyped() {
    QFETCH(bool, programEnds);
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QTcpSocket* peer = f.connectAsCallee(e);
    QVERIFY(peer);
    QTRY_COMPARE(peer->bytesAvailable(), qint64(3)); // the edit characters
    // The connection goes on in a descriptor of the test's own, read by a thread.
    const int fd = ::dup(int(peer->socketDescriptor()));
    QVERIFY(fd >= 0);
    peer->abort();
    QByteArray typed;
    for (int line = 0; typed.size() < 8 * 1024 * 1024; ++line)
        typed += QByteArray::number(line) + " the quick brown fox\n";
    QVERIFY(e->SendTypedText(0, QString::fromLatin1(typed)));
    QTest::qWait(50);
    e->EndConversation();
    QByteArray received;
    std::atomic<bool> ended = false;
    std::thread reader([&] {
        char chunk[65536];
        for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;) {
            received.append(chunk, n);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ended = true;
        ::close(fd);
    });
    bool done = false;
    if (programEnds) {
        ClosingConnection::finishAll(QDeadlineTimer(20000));
        done = ended; // the peer's close came before finishAll returned
    } else {
        done = QTest::qWaitFor([&] { return ended.load(); }, 20000);
    }
    if (!done)
        ::shutdown(fd, SHUT_RDWR);
    reader.join();
    QVERIFY(done);
    QCOMPARE(received.size(), typed.size());
    QVERIFY(received == typed);
}

namespace {
// The remote text each event of the loop brought (an event filter on the application sees every event).
class TurnsOfText : public QObject {
public:
    TurnsOfText() { QCoreApplication::instance()->installEventFilter(this); }
    void add(const RemoteEdits& edits) {
        for (const RemoteEdit& edit : edits)
            m_current += edit.insert.size();
    }
    bool eventFilter(QObject*, QEvent*) override {
        if (m_current > 0)
            turns << std::exchange(m_current, 0);
        return false;
    }
    QList<qsizetype> turns;

private:
    qsizetype m_current = 0;
};
} // namespace

void TestConversationEngine::streamReadInBoundedTurns_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("peerCloses");
    QTest::addColumn<int>("turnTimeUs"); // -1: bounds::MAX_STREAM_TIME_PER_EVENT_US
    QTest::addColumn<qsizetype>("turnBytes");
    const qsizetype full = bounds::MAX_STREAM_BYTES_PER_EVENT;
    QTest::newRow("interactive") << 0 << false << -1 << full;
    QTest::newRow("interactive, the peer closes after it") << 0 << true << -1 << full;
    QTest::newRow("robot, the caller hangs up after it") << 1 << true << -1 << full;
    QTest::newRow("a turn's time spent after one read") << 0 << true << 0 << ConversationEngine::READ_SIZE;
}

// A burst beyond a turn and beyond the socket's buffer is read bounds::MAX_STREAM_BYTES_PER_EVENT at most per event
// (less once the turn's time is spent, but one read at least), all of it and in order; a close right behind it
// comes after its last byte.
void TestConversationEngine::streamReadInBoundedTurns() {
    QFETCH(int, mode);
    QFETCH(bool, peerCloses);
    QFETCH(int, turnTimeUs);
    QFETCH(qsizetype, turnBytes);
    f.core->settings().autotext.clear();
    ConversationEngine* e = f.make(mode, HOST, QStringLiteral("bob"));
    if (turnTimeUs >= 0)
        e->setStreamTurnTime(turnTimeUs);
    QPointer<ConversationEngine> guard(e);
    QTcpSocket* peer = f.connectAsCallee(e);
    QVERIFY(peer);
    // The edit characters are read: a close with unread bytes would be a reset, and a reset drops what it overtakes.
    QTRY_COMPARE(peer->bytesAvailable(), qint64(3));
    peer->readAll();
    QByteArray burst;
    for (int line = 0; burst.size() < 3 * bounds::STREAM_READ_BUFFER_SIZE; ++line)
        burst += QByteArray::number(line) + " the quick brown fox\n";
    const QString expected = QString::fromLatin1(burst).replace(QLatin1String("\n"), QLatin1String("\r\n"));
    TurnsOfText text;
    connect(e, &ConversationEngine::remoteEdits, &text, &TurnsOfText::add);
    QString atClose;
    connect(e, &ConversationEngine::peerClosed, &text, [&] { atClose = e->remoteText(); });
    peer->write("\x08\x15\x17" + burst);
    if (peerCloses) {
        peer->disconnectFromHost();
        QTRY_VERIFY(!atClose.isEmpty());
        QCOMPARE(atClose, expected);
    } else {
        QTRY_COMPARE(e->remoteText().size(), expected.size());
        QCOMPARE(e->remoteText(), expected);
    }
    if (mode == 1) {
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(f.core->messages().count(), 1);
        QCOMPARE(f.core->messages().messages().at(0).text, expected);
    }
    text.eventFilter(nullptr, nullptr);
    QVERIFY(*std::max_element(text.turns.begin(), text.turns.end()) <= turnBytes);
    QVERIFY(text.turns.size() >= burst.size() / turnBytes);
}

void TestConversationEngine::unresolvableHostWaits() {
    ConversationEngine* e = f.make(0, QStringLiteral("nobody.invalid"), QStringLiteral("bob"));
    QVERIFY(e->start());
    QTRY_COMPARE_WITH_TIMEOUT(e->status(), QStringLiteral("Cannot find the host nobody.invalid; waiting."), 15000);
    QVERIFY(!e->isReleased());
    QVERIFY(f.remote->requests.isEmpty());
    e->EndConversation();
    // The local half of DELETE still reaches the local daemon.
    QTRY_COMPARE_WITH_TIMEOUT(f.local->types(), QList<int>{DELETE}, 15000);
}

void TestConversationEngine::hostNameResolvedBeforeEverySend() {
    f.remote->script = [](const ControlMessage& m) -> std::optional<QByteArray> {
        return ScriptedDaemon::reply(m, m.type == LOOK_UP ? NOT_HERE : SUCCESS, 2);
    };
    f.local->script = [](const ControlMessage& m) { return ScriptedDaemon::reply(m, SUCCESS, 4); };
    ConversationEngine* e = f.make(0, QStringLiteral("localhost"), QStringLiteral("bob"));
    QVERIFY(e->start());
    QTRY_COMPARE(f.remote->types(), (QList<int>{LOOK_UP, ANNOUNCE}));
    QTRY_COMPARE(f.local->types(), QList<int>{LEAVE_INVITE});
    QCOMPARE(f.remote->requests[0].message.addr.ip, 0x7F000001u);
    e->EndConversation();
    // The DELETEs leave after the object was released: remote first, then local.
    QTRY_COMPARE(f.remote->types().last(), int(DELETE));
    QTRY_COMPARE(f.local->types().last(), int(DELETE));
    QCOMPARE(f.remote->requests.last().message.idNetworkOrder(), 2u);
    QCOMPARE(f.local->requests.last().message.idNetworkOrder(), 4u);
}

void TestConversationEngine::silentDaemonAndVanishedPeer() {
    // A daemon that never answers leaves the conversation looking up.
    ConversationEngine* silent = f.make(0, HOST, QStringLiteral("bob"));
    QVERIFY(silent->start());
    QTest::qWait(300);
    QCOMPARE(silent->status(), QStringLiteral("Trying to connect to 127.0.0.1..."));
    QVERIFY(!silent->isReleased());
    silent->EndConversation();

    // An invitation naming a port where nobody listens leaves the callee waiting.
    quint16 deadPort;
    {
        QTcpServer s;
        QVERIFY(s.listen(QHostAddress::LocalHost, 0));
        deadPort = s.serverPort();
    }
    f.remote->script = [deadPort](const ControlMessage& m) -> std::optional<QByteArray> {
        if (m.type == LOOK_UP)
            return ScriptedDaemon::reply(m, SUCCESS, 1, deadPort);
        return std::nullopt;
    };
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QVERIFY(e->start());
    QTRY_COMPARE(e->status(), QStringLiteral("Waiting for connection..."));
    QTest::qWait(300);
    QCOMPARE(e->status(), QStringLiteral("Waiting for connection..."));
    QVERIFY(!e->isReleased());
    QVERIFY(f.boxes->shown.isEmpty());
}

void TestConversationEngine::listeningSocketFailure_data() {
    QTest::addColumn<int>("sockets"); // descriptors left for the conversation
    QTest::addColumn<QString>("text");
    QTest::newRow("listening socket") << 0 << "Socket error 10024 occured.\r\nDaemon could not create TCP socket.";
    QTest::newRow("control socket") << 1 << "Socket error 10024 occured.\r\nCould not create UDP socket.";
}

// With no descriptor left a socket cannot be made: the conversation says so, sends nothing and is gone.
void TestConversationEngine::listeningSocketFailure() {
    QFETCH(int, sockets);
    QFETCH(QString, text);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    QVERIFY(fd >= 0);
    ::close(fd);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(fd + sockets);
    ConversationEngine* e = f.make(0, HOST, QStringLiteral("bob"));
    QSignalSpy released(e, &ConversationEngine::released);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const bool started = e->start();
    setrlimit(RLIMIT_NOFILE, &saved);
    QVERIFY(!started);
    QCOMPARE(released.size(), 1);
    QCOMPARE(f.boxes->texts(), QStringList{text});
    QCOMPARE(f.boxes->shown[0].icon, MessageBoxService::Icon::Stop);
    QTest::qWait(100);
    QVERIFY(f.remote->requests.isEmpty());
    QVERIFY(f.local->requests.isEmpty());
}

void TestConversationEngine::acceptFailure_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("interactive") << 0 << QStringList{"Socket error 10024 occured.\r\nCould not accept TCP connection."};
    QTest::newRow("robot, quietly") << 1 << QStringList{};
}

// A caller arrives while no descriptor is left: the accept fails, and the conversation ends instead of waiting.
void TestConversationEngine::acceptFailure() {
    QFETCH(int, mode);
    QFETCH(QStringList, boxes);
    f.remote->script = [](const ControlMessage& m) -> std::optional<QByteArray> {
        return ScriptedDaemon::reply(m, m.type == LOOK_UP ? NOT_HERE : SUCCESS, 5);
    };
    f.local->script = [](const ControlMessage& m) { return ScriptedDaemon::reply(m, SUCCESS, 9); };
    ConversationEngine* e = f.make(mode, HOST, QStringLiteral("bob"));
    QSignalSpy released(e, &ConversationEngine::released);
    QVERIFY(e->start());
    QTRY_COMPARE(f.local->types(), QList<int>{LEAVE_INVITE});
    const int caller = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(caller >= 0);
    const auto closeCaller = qScopeGuard([caller] { ::close(caller); });
    const int lowestFree = ::dup(caller);
    QVERIFY(lowestFree >= 0);
    ::close(lowestFree);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(lowestFree);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &tight), 0);
    auto restore = qScopeGuard([&saved] { setrlimit(RLIMIT_NOFILE, &saved); });
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(e->port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(caller, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0); // complete in the backlog
    QTRY_COMPARE(released.size(), 1);
    restore.dismiss();
    setrlimit(RLIMIT_NOFILE, &saved);
    QCOMPARE(f.boxes->texts(), boxes);
    if (!boxes.isEmpty())
        QCOMPARE(f.boxes->shown[0].icon, MessageBoxService::Icon::Stop);
    QCOMPARE(f.core->messages().count(), 0); // a robot has nothing to file yet
    // The caller is not left waiting: its connection is refused once the listener is gone.
    const timeval guard{WAIT / 1000, 0};
    QCOMPARE(::setsockopt(caller, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard), 0);
    char byte = 0;
    const ssize_t got = ::recv(caller, &byte, 1, 0);
    const int err = errno;
    QVERIFY2(got == 0 || (got < 0 && err == ECONNRESET), qPrintable(QString::number(err)));
}

namespace {
// A box service whose question deletes the conversation while the box is open.
class DeletingBoxes final : public MessageBoxService {
public:
    std::function<void()> whileOpen;
    int asked = 0;
    DeletingBoxes() { setInstance(this); }
    ~DeletingBoxes() override { setInstance(nullptr); }
    int ask(const Request&) override {
        ++asked;
        QEventLoop loop;
        QTimer::singleShot(0, [this] { whileOpen(); });
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
        return Yes;
    }
    int notify(const Request&, std::function<void(int)>) override { return 0; }
    void replaceText(int, const QString&) override {}
    bool chooseFont(LogFont&, quint32&, QObject*) override { return false; }
    bool chooseColour(quint32&, QObject*) override { return false; }
    bool chooseOpenFile(QString&, const QString&, const QString&, const QString&, QObject*) override { return false; }
};
} // namespace

void TestConversationEngine::survivesDeletionDuringQuestion() {
    f.boxes.reset();
    DeletingBoxes boxes;
    f.remote->script = [](const ControlMessage& m) -> std::optional<QByteArray> {
        if (m.type == PROBE)
            return ScriptedDaemon::probeReply(m, USER_PRESENT, "carol");
        return std::nullopt;
    };
    QPointer<ConversationEngine> e = f.make(0, HOST, QString());
    boxes.whileOpen = [&] { delete e.data(); };
    QVERIFY(e->start());
    QTRY_COMPARE(boxes.asked, 1);
    QTRY_VERIFY(e.isNull());
    QTest::qWait(100);
    QCOMPARE(f.remote->requests.size(), 1); // nothing more was sent by a deleted conversation
}

QTEST_GUILESS_MAIN(TestConversationEngine)
#include "tst_conversationengine.moc"
