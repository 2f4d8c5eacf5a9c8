// Start-up: the version record, the first-start steps and the settings that take effect.
#include "app/CTalkApp.h"
#include "app/CTrayWindow.h"
#include "config/AddressBook.h"
#include "platform/LoginName.h"
#include "platform/TerminationSignals.h"

#include "ModalCloser.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include "robot/StoreRobotMessage.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <csignal>

class TestStartup : public QObject {
    Q_OBJECT

    struct Run {
        bool aboutShown = false;
        QString aboutTitle;
        QString versionLine;
        QList<QByteArray> datagrams;
    };

    // Starts the program on `profile` with the install notification going to a local test socket.
    Run start(TempProfile& profile, std::unique_ptr<CTalkApp>& app,
              StartCommand::Command command = StartCommand::None) {
        Run run;
        QUdpSocket sink;
        sink.bind(QHostAddress::LocalHost, 0);
        app = std::make_unique<CTalkApp>(profile.store());
        app->setDaemonPort(0); // any free port: port 518 is not the test's to take
        app->setNotificationTarget(QHostAddress::LocalHost, sink.localPort());
        app->perform(command);
        ModalCloser about([&run](QWidget* w) {
            run.aboutShown = true;
            run.aboutTitle = w->windowTitle();
            if (auto* line = w->findChild<QLabel*>("versionLine"))
                run.versionLine = line->text();
            static_cast<QDialog*>(w)->accept();
        });
        if (!app->InitInstance())
            return run;
        QTest::qWait(200);
        while (sink.hasPendingDatagrams()) {
            QByteArray d(int(sink.pendingDatagramSize()), 0);
            sink.readDatagram(d.data(), d.size());
            run.datagrams << d;
        }
        return run;
    }

private slots:
    void init() { LoginName::setRawOverride(QStringLiteral("tester")); }
    void cleanup() { LoginName::setRawOverride(std::nullopt); }

    void firstStartOnAnAccount() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        std::unique_ptr<CTalkApp> app;
        const Run run = start(profile, app);
        QVERIFY(run.aboutShown);
        QCOMPARE(run.aboutTitle, QStringLiteral("Murmelo"));
        QCOMPARE(run.versionLine, QStringLiteral("Version 1.41  (Release date 12/20/96)"));
        QCOMPARE(run.datagrams, QList<QByteArray>{QByteArray("v1.41\0", 6)});

        // What the next start would read.
        profile.store().flush();
        ProfileStore s(profile.path());
        QCOMPARE(s.readInt("About", "Version", 0), 141);
        QCOMPARE(s.readString("About", "Date"), QStringLiteral("12/20/96"));
        QCOMPARE(s.readInt("People", "Count", 0), 1);
        const QString person = s.readString("People", "0");
        QCOMPARE(person, QStringLiteral("Me (sample)"));
        QCOMPARE(s.readInt("Aliases", person + " count", 0), 2);
        QCOMPARE(AddressBook::ReadAliases(s, person), (QStringList{"tester", "guest"}));
        QCOMPARE(s.readInt("Phosts", person + " tester count", 0), 3);
        QCOMPARE(AddressBook::ReadHosts(s, person, "tester").first(), QStringLiteral("127.0.0.1"));
        QCOMPARE(AddressBook::ReadHosts(s, person, "guest"), QStringList{"127.0.0.1"});
        QCOMPARE(s.readInt("Phosts", person + " guest count", 0), 1);
        QVERIFY(boxes.shown.isEmpty());
    }

    void upgradeFromAnOlderVersionSeedsNothing() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        profile.store().writeInt("About", "Version", 140);
        SavePeopleTree(profile.store(), {{"Zed", {{"zed", {"10.77.0.2"}}}}});
        std::unique_ptr<CTalkApp> app;
        const Run run = start(profile, app);
        QVERIFY(run.aboutShown);
        QCOMPARE(run.datagrams.size(), 1);
        QCOMPARE(profile.store().readInt("About", "Version", 0), 141);
        QCOMPARE(ListPersonsTopFirst(profile.store()), QStringList{"Zed"});
    }

    void currentVersionDoesNoneOfIt() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        profile.store().writeInt("About", "Version", 141);
        std::unique_ptr<CTalkApp> app;
        const Run run = start(profile, app);
        QVERIFY(!run.aboutShown);
        QVERIFY(run.datagrams.isEmpty());
        QVERIFY(!profile.store().contains("People", "Count"));
    }

    // The start's own command (or one handed over during the first start's About box) runs once start-up is done.
    // Messages opens the monitor although no message waits.
    void aCommandWaitsForStartUp() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        std::unique_ptr<CTalkApp> app;
        QVERIFY(start(profile, app, StartCommand::Messages).aboutShown);
        QVERIFY(app->messages().isEmpty());
        QTRY_VERIFY(app->messageMonitorOpen());
    }

    void robotModeOnStartupSetsTheRunningSwitch() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        profile.store().writeInt("About", "Version", 141);
        profile.store().writeInt("Settings", "talkrobotmode", 1);
        std::unique_ptr<CTalkApp> app;
        start(profile, app);
        QCOMPARE(app->robotSwitch(), 1);
        app->trayWindow()->buildMenu();
        const QList<QAction*> actions = app->trayWindow()->menu()->actions();
        auto robot = std::find_if(actions.begin(), actions.end(),
                                  [](QAction* a) { return a->text() == QStringLiteral("Talk &robot"); });
        QVERIFY(robot != actions.end());
        QVERIFY((*robot)->isChecked());
    }

    // Messages survive: what the robot filed is on disk at once and comes back at the next start with its sender,
    // host and receipt time; a message deleted stays deleted; an unreadable file is set aside and told once.
    void robotMessagesSurviveARestart() {
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        profile.store().writeInt("About", "Version", 141);
        std::unique_ptr<CTalkApp> app;
        start(profile, app);
        QVERIFY(StoreRobotMessage(*app, QStringLiteral("call me\r\nback"), QStringLiteral("10.0.0.9"),
                                  WireName::received(QByteArray("\x1b[2J\xe8ve"))));
        QVERIFY(StoreRobotMessage(*app, QStringLiteral("second"), QStringLiteral("h"), WireName::typed("u")));
        const RobotMessage filed = app->messages().messages().front();
        app.reset();
        start(profile, app);
        QCOMPARE(app->messages().count(), 2);
        const RobotMessage back = app->messages().messages().front();
        QCOMPARE(back.text, filed.text);
        QCOMPARE(back.host, filed.host);
        QCOMPARE(back.user, filed.user);
        QVERIFY(back.receiptTime == filed.receiptTime);
        app->messages().remove(app->messages().messages().back().id);
        QFile junk(profile.store().dataFolder() + QStringLiteral("/00000000000000000999.msg"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a message");
        junk.close();
        app.reset();
        boxes.shown.clear();
        start(profile, app);
        QCOMPARE(app->messages().count(), 1);
        QCOMPARE(app->messages().messages().front().text, filed.text);
        QVERIFY(QFile::exists(junk.fileName() + QStringLiteral(".unreadable")));
        QTRY_COMPARE(boxes.shown.size(), 1);
    }

    void sessionEndQuitsWithoutAsking_data() {
        QTest::addColumn<int>("ending"); // a signal, or 0 for the session manager's requests
        QTest::newRow("session manager") << 0;
#ifndef Q_OS_WIN // Windows ends a session by its messages alone
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
#endif
    }

    // The end of the desktop session quits at once: no Exit question although messages wait, the loop ends with 0,
    // and what robot conversations file on the way out (after the loop ended) reaches the disk with the rest.
    void sessionEndQuitsWithoutAsking() {
        QFETCH(int, ending);
        ScriptedMessageBoxes boxes;
        TempProfile profile;
        profile.store().writeInt("About", "Version", 141);
        std::unique_ptr<CTalkApp> app;
        start(profile, app);
        TerminationSignals terminations;
        app->followTerminations(terminations);
        QVERIFY(
            StoreRobotMessage(*app, QStringLiteral("left before"), QStringLiteral("10.0.0.9"), WireName::typed("bob")));
        QSignalSpy quit(app.get(), &CTalkApp::quitRequested);
        if (ending) {
            QCOMPARE(::raise(ending), 0); // handled once the loop runs
        } else {
            app->endSession();
            app->endSession(); // the session manager's second request of the same end
        }
        QTimer::singleShot(10000, &terminations, [] { QCoreApplication::exit(99); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(quit.count(), 1);
        QCOMPARE(quit.first().first().toInt(), 0);
        QCOMPARE(app->quitCode(), 0); // what main goes by when the quit comes before its loop
        QVERIFY(StoreRobotMessage(*app, QStringLiteral("on the way out"), QStringLiteral("10.0.0.8"),
                                  WireName::typed("carl")));
        QVERIFY(boxes.shown.isEmpty());
        app.reset();
        start(profile, app);
        QCOMPARE(app->messages().count(), 2);
        QCOMPARE(app->messages().messages().front().text, QStringLiteral("left before"));
        QCOMPARE(app->messages().messages().back().user.text, QStringLiteral("carl"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
