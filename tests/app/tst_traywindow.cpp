// The tray menu in each state, its commands, and the blinking while robot messages wait.
#include "app/AppIcons.h"
#include "app/CTalkApp.h"
#include "app/CTrayWindow.h"
#include "config/Bounds.h"
#include "platform/TalkWindowEntry.h"
#include "robot/CMessageMonitor.h"
#include "robot/StoreRobotMessage.h"

#include "ScriptedMessageBoxes.h"
#include "ScriptedNotifications.h"
#include "TempProfile.h"

#include <QCursor>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace {

struct FakeWindow : TalkWindowEntry {
    QString user, host;
    int restored = 0;
    FakeWindow(QString u, QString h) : user(std::move(u)), host(std::move(h)) {}
    QString remoteUser() const override { return user; }
    QString remoteHost() const override { return host; }
    void restoreToFront() override { ++restored; }
};

QStringList entries(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

RobotMessage message(int ms) {
    RobotMessage m;
    m.text = QStringLiteral("hello");
    m.receiptTime.milliseconds = std::uint16_t(ms);
    return m;
}

QList<CMessageMonitor*> monitors() {
    QList<CMessageMonitor*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* monitor = qobject_cast<CMessageMonitor*>(w))
            out << monitor;
    return out;
}

// The monitor, when there is exactly one (which of two a test got would follow the order Qt lists its windows in).
CMessageMonitor* findMonitor() {
    const QList<CMessageMonitor*> all = monitors();
    return all.size() == 1 ? all.constFirst() : nullptr;
}

} // namespace

class TestTrayWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedMessageBoxes> m_boxes;
    std::unique_ptr<ScriptedNotifications> m_notifications;
    std::unique_ptr<CTalkApp> m_app;

    CTrayWindow& tray() { return *m_app->trayWindow(); }

private slots:
    void init() {
        m_profile = std::make_unique<TempProfile>();
        m_profile->store().writeInt("About", "Version", 141);
        m_boxes = std::make_unique<ScriptedMessageBoxes>();
        m_notifications = std::make_unique<ScriptedNotifications>();
        m_app = std::make_unique<CTalkApp>(m_profile->store());
        m_app->setDaemonPort(0); // any free port: port 518 is not the test's to take
        QVERIFY(m_app->InitInstance());
    }

    void cleanup() {
        m_app.reset();
        m_notifications.reset();
        m_boxes.reset();
        m_profile.reset();
    }

    void menuHasExactlyTheSevenEntries() {
        tray().buildMenu();
        QCOMPARE(entries(tray().menu()),
                 (QStringList{"&Exit", "-", "&About", "&Customize", "Talk &robot", "-", "&Talk"}));
        QCOMPARE(tray().trayIcon()->toolTip(), QStringLiteral("Murmelo"));
    }

    void messagesAndWindowsAppearBeforeCustomize() {
        // Names come from the network: caret form, and an "&" of theirs is no mnemonic.
        FakeWindow a("anna", "10.77.0.2"), b("bob", "alpha"), c("carl&co\x1b[2J", "127.0.0.1");
        m_app->addTalkWindow(&a);
        m_app->addTalkWindow(&b);
        m_app->addTalkWindow(&c);
        m_app->messages().append(message(1));
        // The menu follows the state as it changes; about to show, an up-to-date menu stays as it is (a menu the
        // panel draws keeps the size it had when it asked for the entries).
        QCOMPARE(entries(tray().menu()), (QStringList{"&Exit", "-", "&About", "&Messages", "&Windows", "&Customize",
                                                      "Talk &robot", "-", "&Talk"}));
        const QList<QAction*> before = tray().menu()->actions();
        tray().buildMenu();
        QCOMPARE(tray().menu()->actions(), before);
        QMenu* windows = tray().menu()->actions().at(4)->menu();
        QVERIFY(windows);
        QCOMPARE(entries(windows), (QStringList{"Talking to anna from 10.77.0.2", "Talking to bob from alpha",
                                                "Talking to carl&&co^[[2J from 127.0.0.1"}));
        QList<int> ids;
        for (QAction* action : windows->actions())
            ids << action->data().toInt();
        QCOMPARE(ids, (QList<int>{32782, 32783, 32784}));
        windows->actions().at(1)->trigger();
        QCOMPARE(b.restored, 1);
        m_app->removeTalkWindow(&b);
        tray().OnCommand(32784); // beyond the list now: nothing happens
        QCOMPARE(c.restored, 0);
        m_app->removeTalkWindow(&a);
        m_app->removeTalkWindow(&c);
        m_app->messages().clear();
        QCOMPARE(entries(tray().menu()).size(), 7);
    }

    // A StatusNotifier host that cannot draw the menu asks for it (ContextMenu, reported as Context), and a middle
    // click asks too: the menu opens at the pointer; one already on screen (a tray shows it on the right press) stays.
    void activationShowsTheMenu_data() {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::newRow("context menu request") << QSystemTrayIcon::Context;
        QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick;
    }
    void activationShowsTheMenu() {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QCursor::setPos(300, 200);
        emit tray().trayIcon()->activated(reason);
        QVERIFY(tray().menu()->isVisible());
        QCOMPARE(tray().menu()->pos(), QPoint(300, 200));
        QCursor::setPos(100, 100);
        emit tray().trayIcon()->activated(reason);
        QCOMPARE(tray().menu()->pos(), QPoint(300, 200));
    }

    void tipSaysWhenTheMessageBoxIsFull() {
        RobotMessageList& list = m_app->messages();
        for (int i = 0; i < bounds::MAX_ROBOT_MESSAGES - 1; ++i)
            list.append(message(i % 1000));
        QCOMPARE(tray().trayIcon()->toolTip(), CTrayWindow::TIP);
        list.append(message(5));
        QCOMPARE(tray().trayIcon()->toolTip(), QStringLiteral("Murmelo: the message box is full"));
        list.remove(list.messages().front().id);
        QCOMPARE(tray().trayIcon()->toolTip(), QStringLiteral("Murmelo"));
        list.holdPlace(); // a robot conversation runs
        QCOMPARE(tray().trayIcon()->toolTip(), CTrayWindow::TIP_FULL);
        list.releasePlace();
        QCOMPARE(tray().trayIcon()->toolTip(), CTrayWindow::TIP);
    }

    void robotToggleDoesNotSave() {
        tray().OnCommand(CTrayWindow::CMD_ROBOT);
        QCOMPARE(m_app->robotSwitch(), 1);
        QCOMPARE(tray().menu()->actions().at(4)->text(), QStringLiteral("Talk &robot"));
        QVERIFY(tray().menu()->actions().at(4)->isChecked());
        tray().OnCommand(CTrayWindow::CMD_ROBOT);
        QCOMPARE(m_app->robotSwitch(), 0);
        QVERIFY(!m_profile->store().contains("Settings", "talkrobotmode"));
    }

    // The robot's desktop actions set the running switch, as the menu's toggle does, and say what it is now: in a
    // notification, or a box where the desktop shows none.
    void robotActionsSwitchAndSay() {
        m_app->perform(StartCommand::RobotOn);
        QVERIFY(m_app->robotSwitch() == 1 && tray().menu()->actions().at(4)->isChecked());
        m_app->perform(StartCommand::RobotOff);
        QVERIFY(m_app->robotSwitch() == 0 && !tray().menu()->actions().at(4)->isChecked());
        QCOMPARE(m_notifications->shown.size(), 2);
        QCOMPARE(m_notifications->shown[0].text, CTalkApp::ROBOT_ON_TEXT);
        QCOMPARE(m_notifications->shown[1].text, CTalkApp::ROBOT_OFF_TEXT);
        m_notifications->available = false;
        for (int i = 0; i < bounds::MAX_ROBOT_MESSAGES; ++i)
            m_app->messages().append(message(i % 1000));
        m_app->perform(StartCommand::RobotOn);
        QCOMPARE(m_boxes->texts(), QStringList{CTalkApp::ROBOT_ON_FULL_TEXT});
        QVERIFY(!m_profile->store().contains("Settings", "talkrobotmode"));
    }

    // Without a tray the notice comes once for the account, not at every start (autostart: every login).
    void noTrayNoticeOnce() {
        tray().tellNoTray();
        tray().tellNoTray();
        m_app.reset();
        CTalkApp later(m_profile->store());
        later.setDaemonPort(0);
        QVERIFY(later.InitInstance());
        later.trayWindow()->tellNoTray();
        QCOMPARE(m_boxes->texts(), QStringList{CTrayWindow::NO_TRAY_TEXT});
    }

    void exitAsksOnlyWhileMessagesWait() {
        QSignalSpy quit(m_app.get(), &CTalkApp::quitRequested);
        m_app->messages().append(message(2));
        m_boxes->answers.enqueue(MessageBoxService::No);
        tray().OnCommand(CTrayWindow::CMD_EXIT);
        QCOMPARE(quit.count(), 0);
        QCOMPARE(m_boxes->shown.first().text, QStringLiteral("You have talk robot messages. Exit anyway?"));
        QCOMPARE(m_boxes->shown.first().defaultButton, int(MessageBoxService::No));
        QCOMPARE(m_boxes->shown.first().icon, MessageBoxService::Icon::Question);

        m_boxes->answers.enqueue(MessageBoxService::Yes);
        tray().OnCommand(CTrayWindow::CMD_EXIT);
        QCOMPARE(quit.count(), 1);
        QCOMPARE(quit.first().first().toInt(), 0);

        // Exit again while the question is on screen asks nothing more; its answer still counts.
        m_boxes->shown.clear();
        m_boxes->answerNotifiesAtOnce = false;
        tray().OnCommand(CTrayWindow::CMD_EXIT);
        tray().OnCommand(CTrayWindow::CMD_EXIT);
        QCOMPARE(m_boxes->shown.size(), 1);
        m_boxes->answers.enqueue(MessageBoxService::Yes);
        m_boxes->answerPending();
        QCOMPARE(quit.count(), 2);
        m_boxes->answerNotifiesAtOnce = true;

        m_app->messages().clear();
        m_boxes->shown.clear();
        tray().OnCommand(CTrayWindow::CMD_EXIT);
        QCOMPARE(quit.count(), 3);
        QVERIFY(m_boxes->shown.isEmpty());
    }

    void blinksWhileMessagesWait() {
        QVERIFY(!tray().isBlinking());
        m_app->messages().append(message(3));
        QVERIFY(tray().isBlinking());
        QList<int> shown;
        for (int i = 0; i < 4; ++i) {
            tray().blinkTick();
            shown << tray().currentIconId();
        }
        QCOMPARE(shown, (QList<int>{163, 128, 163, 128}));
        m_app->messages().clear();
        tray().blinkTick();
        QCOMPARE(tray().currentIconId(), 128);
        QVERIFY(!tray().isBlinking());
        // A second message starts the blinking again.
        m_app->messages().append(message(4));
        QVERIFY(tray().isBlinking());
        QTRY_COMPARE_WITH_TIMEOUT(tray().currentIconId(), 163, 2000);
    }

    // A message filed raises a notification through the tray icon, whose click opens the monitor; none shows while
    // the monitor is on screen; the icon blinks either way.
    void filedMessageNotifiesThroughTheIcon() {
        QVERIFY(StoreRobotMessage(*m_app, QStringLiteral("call me\r\nback"), QStringLiteral("host"),
                                  WireName::typed("bob")));
        QVERIFY(tray().isBlinking());
        QCOMPARE(m_notifications->shown.size(), 1);
        QCOMPARE(m_notifications->shown[0].title, QStringLiteral("Message from bob at host"));
        QCOMPARE(m_notifications->shown[0].text, QStringLiteral("call me"));
        QCOMPARE(m_notifications->shown[0].source, tray().trayIcon());
        QVERIFY(!m_app->messageMonitorOpen());
        m_notifications->click();
        QVERIFY(m_app->messageMonitorOpen());
        QCOMPARE(findMonitor()->table()->topLevelItemCount(), 1);
        QVERIFY(StoreRobotMessage(*m_app, QStringLiteral("again"), QStringLiteral("host"), WireName::typed("bob")));
        QCOMPARE(m_notifications->shown.size(), 1);
        QCOMPARE(findMonitor()->table()->topLevelItemCount(), 2);
        // Minimised, the monitor shows nothing new: the next message is announced.
        findMonitor()->showMinimized();
        QVERIFY(StoreRobotMessage(*m_app, QStringLiteral("third"), QStringLiteral("host"), WireName::typed("bob")));
        QCOMPARE(m_notifications->shown.size(), 2);
        findMonitor()->close();
        QTRY_VERIFY(monitors().isEmpty());
    }

    void windowsShareOneIcon() {
        // Every window shows the one icon the shell gave the application at start (windows set none of their
        // own): a copy loaded afresh for each window would leave its pixmaps in the pixmap cache after it has gone.
        QVERIFY(!AppIcons::application().isNull());
        QCOMPARE(QApplication::windowIcon().cacheKey(), AppIcons::application().cacheKey());
        QCOMPARE(AppIcons::application().cacheKey(), tray().windowIcon().cacheKey());
        QCOMPARE(AppIcons::blink().cacheKey(), AppIcons::blink().cacheKey());
    }
};

QTEST_MAIN(TestTrayWindow)
#include "tst_traywindow.moc"
