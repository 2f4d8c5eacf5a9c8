// The incoming request prompt, driven by real ANNOUNCE and DELETE datagrams to a daemon whose rings open prompts
// as the shell does.
#include "config/Bounds.h"
#include "daemon/AutoConversationGate.h"
#include "daemon/CRequestPrompt.h"
#include "daemon/CTalkDaemon.h"
#include "platform/LoginName.h"
#include "platform/gui/FocusGuard.h"
#include "robot/RobotMessageList.h"

#include "FakeAppContext.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUdpSocket>

namespace {

struct Started {
    int mode;
    QString host;
    WireName user;
};

QByteArray announce(const QByteArray& caller, quint16 ctlPort, quint8 type = 3, quint32 id = 0) {
    QByteArray d(84, '\0');
    d[0] = 1;
    d[1] = char(type);
    d[4] = char(id >> 24);
    d[5] = char(id >> 16);
    d[6] = char(id >> 8);
    d[7] = char(id);
    const QByteArray addr = QByteArray::fromHex("0002 9c40 7f000001 0000000000000000");
    d.replace(8, 16, addr);
    QByteArray ctl = addr;
    ctl[2] = char(ctlPort >> 8);
    ctl[3] = char(ctlPort);
    d.replace(24, 16, ctl);
    d.replace(44, std::min<int>(12, int(caller.size())), caller.left(12));
    d.replace(56, 6, QByteArray("tester"));
    return d;
}

QList<CRequestPrompt*> prompts() {
    QList<CRequestPrompt*> out;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* p = qobject_cast<CRequestPrompt*>(w))
            out << p;
    return out;
}

} // namespace

class TestRequestPrompt : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<FakeAppContext> m_app;
    std::unique_ptr<CTalkDaemon> m_daemon;
    std::unique_ptr<QUdpSocket> m_caller;
    QList<Started> m_started;
    QObject m_conversations; // stand-ins for the conversations the prompts start
    quint16 m_ctl = 1000;
    qint64 m_now = 5000; // the key guard's clock, when a test sets it

    CTalkDaemon& daemon() { return *m_daemon; }

    // Sends a request from the caller's socket (or `from`) and waits for the daemon's reply.
    QByteArray send(const QByteArray& d, QUdpSocket* from = nullptr) {
        QUdpSocket* socket = from ? from : m_caller.get();
        socket->writeDatagram(d, QHostAddress::LocalHost, daemon().localPort());
        if (!QTest::qWaitFor([socket] { return socket->hasPendingDatagrams(); }, 2000))
            return {};
        QByteArray r(int(socket->pendingDatagramSize()), 0);
        socket->readDatagram(r.data(), r.size());
        QCoreApplication::processEvents();
        return r;
    }
    // Fills the robot message list up to its bound, less `room`.
    void fillMessages(int room = 0) {
        RobotMessage m;
        m.text = QStringLiteral("hi");
        for (int i = 0; i < bounds::MAX_ROBOT_MESSAGES - room; ++i)
            m_app->messages().append(m);
    }
    QByteArray ring(const QByteArray& caller) { return send(announce(caller, m_ctl++)); }

private slots:
    void initTestCase() {
        // What the shell sets at start: the program's icon, which every window wears.
        QPixmap icon(64, 64);
        icon.fill(Qt::darkCyan);
        QApplication::setWindowIcon(QIcon(icon));
    }

    void init() {
        LoginName::setRawOverride(QStringLiteral("tester"));
        m_profile = std::make_unique<TempProfile>();
        m_profile->store().writeInt("About", "Version", 141);
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_app = std::make_unique<FakeAppContext>(m_profile->store());
        m_app->settings().LoadSettings(m_profile->store());
        m_app->setDaemonPort(0);
        m_daemon = std::make_unique<CTalkDaemon>(*m_app);
        QVERIFY(m_daemon->start());
        connect(m_daemon.get(), &CTalkDaemon::ring, this,
                [this](int action, const QString& host, const WireName& name, int robotDelay) {
                    new CRequestPrompt(*m_app, m_daemon.get(), action, host, name, robotDelay);
                });
        m_caller = std::make_unique<QUdpSocket>();
        QVERIFY(m_caller->bind(QHostAddress::LocalHost, 0));
        m_started.clear();
        m_app->onConversation = [this](const FakeAppContext::Conversation& c) -> QObject* {
            m_started.append({c.mode, c.host, c.user});
            return new QObject(&m_conversations);
        };
    }

    void cleanup() {
        m_caller.reset();
        // The daemon goes first, then its prompts (they left its list), then the state they used.
        m_daemon.reset();
        qDeleteAll(prompts());
        m_app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qDeleteAll(m_conversations.children());
        m_boxes.reset();
        m_profile.reset();
        LoginName::setRawOverride(std::nullopt);
        FocusGuard::setClock({});
    }

    void askedAndTalk() {
        QCOMPARE(int(ring("alice")[2]), 0);
        QCOMPARE(prompts().size(), 1);
        CRequestPrompt* p = prompts().first();
        QVERIFY(p->isVisible());
        QCOMPARE(p->windowTitle(), QStringLiteral("Talk request from"));
        auto* text = p->findChild<QLabel*>("callerText");
        QCOMPARE(text->text(), QStringLiteral("alice at 127.0.0.1"));
        QCOMPARE(text->textFormat(), Qt::PlainText);
        auto* talk = p->findChild<QPushButton*>("talkButton");
        QCOMPARE(talk->text(), QStringLiteral("&Talk"));
        QVERIFY(talk->isDefault());
        QCOMPARE(p->findChild<QPushButton*>("ignoreButton")->text(), QStringLiteral("&Ignore"));
        // The program's icon at the left of the body, beside the framed caller text and the question.
        auto* icon = p->findChild<QLabel*>("icon");
        QVERIFY(!icon->pixmap().isNull());
        QCOMPARE(icon->pixmap().toImage(),
                 QApplication::windowIcon().pixmap(icon->pixmap().deviceIndependentSize().toSize()).toImage());
        const QRect frame = p->findChild<QWidget*>("callerFrame")->geometry();
        QVERIFY(icon->geometry().right() < frame.left());
        QVERIFY(icon->geometry().right() < p->findChild<QLabel*>("question")->geometry().left());
        QVERIFY(icon->geometry().top() <= frame.top());
        QVERIFY(icon->geometry().bottom() < talk->mapTo(p, QPoint(0, 0)).y());
        QVERIFY(p->robotTimerActive());
        QCOMPARE(daemon().promptCount(), 1);
        // A re-announcement while it is open: absorbed, no second prompt.
        QCOMPARE(send(announce("alice", m_ctl - 1, 3, 2)).mid(2, 1).toHex(), QByteArray("00"));
        QCOMPARE(prompts().size(), 1);
        talk->click();
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].mode, 0);
        QCOMPARE(m_started[0].host, QStringLiteral("127.0.0.1"));
        QCOMPARE(m_started[0].user.text, QStringLiteral("alice"));
        QCOMPARE(daemon().promptCount(), 0);
        QTRY_COMPARE(prompts().size(), 0);
    }

    // Keys typed for another window never answer a call. The prompt is shown without activation, and within the guard
    // time no key presses a button (a mnemonic would press it at once). Activated within that time (the offscreen
    // platform activates every window it shows, as sway does) it gives the keyboard back to the program's window the
    // user typed in; with none, it ignores keys until the user clicks in it or switches away and back.
    void keysRightAfterTheRingAnswerNothing_data() {
        QTest::addColumn<bool>("typingInOurs");
        QTest::addColumn<QString>("turnTo");
        QTest::newRow("typing in another window of ours") << true << QString();
        QTest::newRow("another program typing, the user clicks the prompt") << false << QStringLiteral("click");
        QTest::newRow("another program typing, the user switches away and back") << false << QStringLiteral("switch");
    }
    void keysRightAfterTheRingAnswerNothing() {
        QFETCH(bool, typingInOurs);
        QFETCH(QString, turnTo);
        FocusGuard::setClock([this] { return m_now; });
        QWidget monitor;
        if (typingInOurs) {
            monitor.show();
            QVERIFY(QTest::qWaitForWindowActive(&monitor));
        }
        ring("alice");
        const QPointer<CRequestPrompt> p = prompts().first();
        QVERIFY(p->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(p->windowHandle()->property("_q_showWithoutActivating").toBool());
        QTRY_COMPARE(QApplication::activeWindow(), typingInOurs ? &monitor : p.data());
        m_now += FocusGuard::KEY_GUARD_MS - 1;
        for (const QKeyCombination key : {QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Enter),
                                          QKeyCombination(Qt::Key_Space), QKeyCombination(Qt::ALT, Qt::Key_T),
                                          QKeyCombination(Qt::ALT, Qt::Key_I), QKeyCombination(Qt::Key_Escape)})
            if (p)
                QTest::keyClick(p->windowHandle(), key.key(), key.keyboardModifiers());
        QVERIFY(p && m_started.isEmpty());
        for (const QPushButton* button : p->findChildren<QPushButton*>())
            QVERIFY(!button->isDown());
        m_now += 1;
        if (!typingInOurs) {
            QTest::keyClick(p->windowHandle(), Qt::Key_Return);
            QVERIFY(p && m_started.isEmpty());
            if (turnTo == QLatin1String("click")) {
                QTest::mouseClick(p->findChild<QLabel*>("question"), Qt::LeftButton);
            } else {
                QEvent away(QEvent::WindowDeactivate);
                QApplication::sendEvent(p, &away);
                QEvent back(QEvent::WindowActivate);
                QApplication::sendEvent(p, &back);
            }
        }
        QTest::keyClick(p->windowHandle(), Qt::Key_Return);
        QCOMPARE(m_started.size(), 1);
    }

    void ignoreAndCloseBoxRingAgain_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Ignore button") << false;
        QTest::newRow("close box") << true;
    }

    void ignoreAndCloseBoxRingAgain() {
        QFETCH(bool, closeBox);
        ring("alice");
        QCOMPARE(prompts().size(), 1);
        CRequestPrompt* p = prompts().first();
        if (closeBox)
            p->close();
        else
            p->findChild<QPushButton*>("ignoreButton")->click();
        QTRY_COMPARE(prompts().size(), 0);
        QCOMPARE(m_started.size(), 0);
        QCOMPARE(daemon().promptCount(), 0);
        // The caller's next announcement opens it again.
        ring("alice");
        QCOMPARE(prompts().size(), 1);
        QVERIFY(prompts().first()->isVisible());
    }

    void callerGivesUp() {
        ring("alice");
        QCOMPARE(prompts().size(), 1);
        QCOMPARE(int(send(announce("alice", 999, 2, 77))[2]), 0); // DELETE, any id
        QTRY_COMPARE(prompts().size(), 0);
        QCOMPARE(m_started.size(), 0);
        QCOMPARE(daemon().promptCount(), 0);
    }

    void robotDelayHandsTheCallToTheRobot() {
        m_app->settings().ltra = 1; // below the range the page allows, to keep the test short
        QCOMPARE(int(ring("alice")[3]), 1);
        QCOMPARE(prompts().size(), 1);
        QVERIFY(prompts().first()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(m_started.size(), 1, 3000);
        QCOMPARE(m_started[0].mode, 1);
        QTRY_COMPARE(prompts().size(), 0);
    }

    void robotOnTakesTheCallAtOnce() {
        m_app->setRobotSwitch(1);
        ring("alice");
        QTRY_COMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].mode, 1);
        for (CRequestPrompt* p : prompts())
            QVERIFY(!p->isVisible() && !p->robotTimerActive());
        QTRY_COMPARE(prompts().size(), 0);
    }

    void connectAtOnceStartsAnInteractiveConversation() {
        m_profile->store().writeInt("Caller", "Default action", 4);
        ring("alice");
        QTRY_COMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].mode, 0);
        QCOMPARE(m_started[0].user.text, QStringLiteral("alice"));
        for (CRequestPrompt* p : prompts())
            QVERIFY(!p->isVisible());
    }

    void namesFromTheNetworkArePlainText_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("escape") << QByteArray("a\x1b[31mb") << QStringLiteral("a^[[31mb at 127.0.0.1");
        QTest::newRow("markup") << QByteArray("<b>x</b>") << QStringLiteral("<b>x</b> at 127.0.0.1");
        QTest::newRow("delete and tab") << QByteArray("a\x7f\tb") << QStringLiteral("a^?^Ib at 127.0.0.1");
        QTest::newRow("Latin-1") << QByteArray("j\xf6rg") << QStringLiteral("j\u00f6rg at 127.0.0.1");
    }

    void namesFromTheNetworkArePlainText() {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        ring(name);
        QCOMPARE(prompts().size(), 1);
        QCOMPARE(prompts().first()->findChild<QLabel*>("callerText")->text(), shown);
        // Talk: the conversation calls the caller by the bytes that came.
        prompts().first()->findChild<QPushButton*>("talkButton")->click();
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].user.bytes, name);
    }

    void fullMessageBoxRingsAsIfTheRobotWereOff_data() {
        QTest::addColumn<int>("robotSwitch");
        QTest::newRow("robot on") << 1;
        QTest::newRow("robot off") << 0;
    }
    // 200 messages wait: the robot takes no call. The prompt shows, and no robot delay runs that could run out.
    void fullMessageBoxRingsAsIfTheRobotWereOff() {
        QFETCH(int, robotSwitch);
        m_app->setRobotSwitch(robotSwitch);
        m_app->settings().ltra = 1;
        fillMessages();
        QVERIFY(m_app->messages().isFull());
        QCOMPARE(int(ring("alice")[2]), 0);
        QCOMPARE(prompts().size(), 1);
        CRequestPrompt* p = prompts().first();
        QVERIFY(p->isVisible());
        QVERIFY(!p->robotTimerActive());
        QTest::qWait(50);
        QVERIFY(m_started.isEmpty());
        // Talk starts an interactive conversation, the robot switch notwithstanding.
        p->findChild<QPushButton*>("talkButton")->click();
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].mode, 0);
    }

    // The list fills while a robot call waits for its start (another robot holds the last place): the call rings.
    void messageBoxFillsBeforeTheRobotStarts() {
        m_app->setRobotSwitch(1);
        fillMessages(1);
        m_app->onConversation = [this](const FakeAppContext::Conversation& c) -> QObject* {
            m_started.append({c.mode, c.host, c.user});
            if (c.mode == 1)
                m_app->messages().holdPlace(); // as a robot conversation does
            return new QObject(&m_conversations);
        };
        // Both ring before either robot starts.
        m_caller->writeDatagram(announce("c1", m_ctl++), QHostAddress::LocalHost, daemon().localPort());
        m_caller->writeDatagram(announce("c2", m_ctl++), QHostAddress::LocalHost, daemon().localPort());
        QTRY_COMPARE(daemon().promptCount() + m_started.size(), 2);
        QTRY_COMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].user.text, QStringLiteral("c1"));
        QTRY_COMPARE(prompts().size(), 1);
        CRequestPrompt* p = prompts().first();
        QCOMPARE(p->callerName(), QStringLiteral("c2"));
        QVERIFY(p->isVisible());
        QVERIFY(!p->robotTimerActive());
        QTest::qWait(50);
        QCOMPARE(m_started.size(), 1);
    }

    // One caller host holds at most four of the automatic places; the others stay open to other hosts.
    void oneHostHoldsAtMostFourPlaces() {
        m_app->setRobotSwitch(1);
        QUdpSocket other;
        QVERIFY(other.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        for (int i = 1; i <= bounds::MAX_AUTO_CONVERSATIONS_PER_HOST + 1; ++i)
            ring(QByteArray("c") + QByteArray::number(i));
        QTRY_COMPARE(m_started.size(), bounds::MAX_AUTO_CONVERSATIONS_PER_HOST);
        QTRY_COMPARE(daemon().autoConversations().waiting(), 1);
        QCOMPARE(daemon().autoConversations().runningFor(QStringLiteral("127.0.0.1")), 4);
        send(announce("d1", m_ctl++), &other);
        QTRY_COMPARE(m_started.size(), bounds::MAX_AUTO_CONVERSATIONS_PER_HOST + 1);
        QCOMPARE(m_started.last().host, QStringLiteral("127.0.0.2"));
        QCOMPARE(daemon().autoConversations().waiting(), 1);
        // One of the first host's conversations ends: its fifth caller gets the place.
        delete m_conversations.children().first();
        QTRY_COMPARE(m_started.size(), bounds::MAX_AUTO_CONVERSATIONS_PER_HOST + 2);
        QCOMPARE(m_started.last().user.text, QStringLiteral("c5"));
        QCOMPARE(daemon().autoConversations().waiting(), 0);
    }

    void conversationsStartedByPromptsAreBounded() {
        m_app->setRobotSwitch(1);
        daemon().autoConversations().setLimit(2);
        ring("c1");
        ring("c2");
        ring("c3");
        QTRY_COMPARE(m_started.size(), 2);
        QTest::qWait(50);
        QCOMPARE(m_started.size(), 2);
        // The third prompt waits, still counted as open; when a conversation ends it gets its turn.
        QCOMPARE(daemon().promptCount(), 1);
        QCOMPARE(daemon().autoConversations().waiting(), 1);
        delete m_conversations.children().first();
        QTRY_COMPARE(m_started.size(), 3);
        QCOMPARE(m_started[2].user.text, QStringLiteral("c3"));
        QTRY_COMPARE(daemon().promptCount(), 0);
        // A waiting prompt whose caller gives up is dropped from the queue.
        ring("c4");
        QTRY_COMPARE(daemon().autoConversations().waiting(), 1);
        send(announce("c4", 998, 2, 1));
        QTRY_COMPARE(daemon().autoConversations().waiting(), 0);
        delete m_conversations.children().first();
        QTest::qWait(50);
        QCOMPARE(m_started.size(), 3);
    }
};

QTEST_MAIN(TestRequestPrompt)
#include "tst_requestprompt.moc"
