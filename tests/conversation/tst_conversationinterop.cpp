// Conversations with the real Unix programs: netkit talkd (in.ntalkd under inetd) as the daemon on both
// sides and Debian's talk client in a tmux pane, inside private namespaces.
#include "FakeAppContext.h"
#include "TempProfile.h"
#include "UnixTalkPeers.h"

#include "conversation/ConversationEngine.h"
#include "conversation/EraseRules.h"
#include "platform/LoginName.h"

#include <QPointer>
#include <QtTest>

namespace {
QString g_skipReason;
}

class TestConversationInterop : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void unixCallerAnsweredByRobot_data();
    void unixCallerAnsweredByRobot();
    void callingUnixUser_data();
    void callingUnixUser();

private:
    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<FakeAppContext> m_core;
    std::unique_ptr<UnixTalkPeers> m_peers;
};

void TestConversationInterop::init() {
    if (!g_skipReason.isEmpty())
        QSKIP(qPrintable(g_skipReason));
    m_profile = std::make_unique<TempProfile>();
    m_core = std::make_unique<FakeAppContext>(m_profile->store()); // daemon ports: 518 in this namespace
    m_peers = std::make_unique<UnixTalkPeers>();
    const QString failed = m_peers->start();
    if (!failed.isEmpty())
        QSKIP(qPrintable(failed));
}

void TestConversationInterop::cleanup() {
    m_peers.reset();
    m_core.reset();
    m_profile.reset();
    LoginName::setRawOverride(std::nullopt);
}

// The talk clients: netkit's and GNU talk (inetutils).
void TestConversationInterop::unixCallerAnsweredByRobot_data() {
    QTest::addColumn<QString>("client");
    QTest::newRow("netkit") << "netkit-ntalk";
    QTest::newRow("GNU") << "inetutils-talk";
}

// root calls root at this host with talk; the talk robot answers the invitation talk left with talkd.
void TestConversationInterop::unixCallerAnsweredByRobot() {
    QFETCH(QString, client);
    m_core->settings().autotext = QStringLiteral("Robot here: leave a message.");
    LoginName::setRawOverride(QStringLiteral("root"));
    m_peers->typeText(client + QStringLiteral(" root@127.0.0.1"));
    m_peers->typeKeys({QStringLiteral("Enter")});
    QVERIFY2(m_peers->waitForScreen(QStringLiteral("Ringing your party")) ||
                 m_peers->waitForScreen(QStringLiteral("Waiting for your party")),
             qPrintable(m_peers->screen()));

    QPointer<ConversationEngine> robot = new ConversationEngine(
        *m_core, ConversationEngine::Robot, QStringLiteral("127.0.0.1"), WireName::typed(QStringLiteral("root")));
    QVERIFY(robot->start());
    QTRY_VERIFY_WITH_TIMEOUT(robot && robot->isConnected(), 10000);
    QVERIFY2(m_peers->waitForScreen(QStringLiteral("Robot here: leave a message.")), qPrintable(m_peers->screen()));

    // The caller types, with Backspace (127), Ctrl-U (21) and Ctrl-W (23) from the terminal.
    m_peers->typeText(QStringLiteral("hello"));
    m_peers->typeKeys({QStringLiteral("BSpace")});
    m_peers->typeText(QStringLiteral("p"));
    m_peers->typeKeys({QStringLiteral("Enter")});
    m_peers->typeText(QStringLiteral("scrap this"));
    m_peers->typeKeys({QStringLiteral("C-u")});
    m_peers->typeText(QStringLiteral("bye now"));
    m_peers->typeKeys({QStringLiteral("C-w")});
    m_peers->typeText(QStringLiteral("then grüß"));
    QTRY_COMPARE_WITH_TIMEOUT(robot ? robot->remoteText() : QString(), QStringLiteral("hellp\r\nbye then grüß"), 10000);
    m_peers->typeKeys({QStringLiteral("C-c")});
    QTRY_VERIFY_WITH_TIMEOUT(robot.isNull(), 10000);
    QCOMPARE(m_core->messages().count(), 1);
    const RobotMessage& m = m_core->messages().messages().at(0);
    QCOMPARE(m.text, QStringLiteral("hellp\r\nbye then grüß"));
    QCOMPARE(m.host, QStringLiteral("127.0.0.1"));
    QCOMPARE(m.user.text, QStringLiteral("root"));
}

void TestConversationInterop::callingUnixUser_data() {
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("lineAndWordErase");
    QTest::newRow("netkit, with word and line erase") << "netkit-ntalk"
                                                      << "127.0.0.1" << true;
    QTest::newRow("GNU") << "inetutils-talk"
                         << "127.0.0.1" << false;
    // As a host name may give it: talkd answers from 127.0.0.1, and talk connects from there.
    QTest::newRow("netkit, called at 127.0.1.1") << "netkit-ntalk"
                                                 << "127.0.1.1" << false;
}

// alice (this program) calls root, who is rung by talkd and answers with talk.
void TestConversationInterop::callingUnixUser() {
    QFETCH(QString, client);
    QFETCH(QString, host);
    QFETCH(bool, lineAndWordErase);
    LoginName::setRawOverride(QStringLiteral("alice"));
    QPointer<ConversationEngine> e =
        new ConversationEngine(*m_core, ConversationEngine::Interactive, host, WireName::typed(QStringLiteral("root")));
    QVERIFY(e->start());
    QTRY_COMPARE_WITH_TIMEOUT(e->status(), QStringLiteral("Waiting for the callee to accept the request."), 10000);
    QVERIFY2(m_peers->waitForScreen(QStringLiteral("alice@")), qPrintable(m_peers->screen()));
    m_peers->typeText(client + QStringLiteral(" alice@127.0.0.1"));
    m_peers->typeKeys({QStringLiteral("Enter")});
    QTRY_VERIFY_WITH_TIMEOUT(e && e->isConnected(), 10000);
    QCOMPARE(e->status(), QStringLiteral("Connected."));

    QVERIFY(e->SendTypedText(0, QStringLiteral("hi from murmelo")));
    QVERIFY(e->SendTypedText(14, QString())); // one Backspace
    QVERIFY2(m_peers->waitForScreen(QStringLiteral("hi from murmel")), qPrintable(m_peers->screen()));
    QVERIFY(!m_peers->screen().contains(QStringLiteral("murmelo")));
    if (lineAndWordErase) {
        // Control+W and Control+U as the local pane sends them: talk's screen then shows what the pane keeps.
        QVERIFY(e->localEditChar(EraseRules::WORD_ERASE));
        QVERIFY(e->SendTypedText(8, QStringLiteral("talk\nscrap it")));
        QVERIFY(e->localEditChar(EraseRules::KILL_LINE));
        QVERIFY(e->SendTypedText(13, QStringLiteral("ok")));
        QCOMPARE(e->localRecord().sentText(), QStringLiteral("hi from talk\nok"));
        QVERIFY2(m_peers->waitForScreen(QStringLiteral("hi from talk\nok\n")), qPrintable(m_peers->screen()));
        QVERIFY(!m_peers->screen().contains(QStringLiteral("murmel")));
        QVERIFY(!m_peers->screen().contains(QStringLiteral("scrap")));
    }
    m_peers->typeText(QStringLiteral("hello alice"));
    m_peers->typeKeys({QStringLiteral("BSpace"), QStringLiteral("BSpace")});
    QTRY_COMPARE_WITH_TIMEOUT(e ? e->remoteText() : QString(), QStringLiteral("hello ali"), 10000);
    m_peers->typeKeys({QStringLiteral("C-c")});
    QTRY_COMPARE_WITH_TIMEOUT(e ? e->status() : QString(), QStringLiteral("Connection closed."), 10000);
    e->EndConversation();
    QTRY_VERIFY(e.isNull());
}

int main(int argc, char** argv) {
    // Namespaces first, while the process has one thread.
    g_skipReason = UnixTalkPeers::isolate();
    QCoreApplication app(argc, argv);
    TestConversationInterop test;
    const int result = QTest::qExec(&test, argc, argv);
    UnixTalkPeers::restore();
    return result;
}
#include "tst_conversationinterop.moc"
