// The application shell: it owns the program's state and windows and hands them down as the AppContext.
//
// It owns everything that lives as long as the program (the profile store's state, the settings record, the
// robot message list and its store on disk, the robot switch, the hidden tray window, the talk daemon and its error
// box, the single-instance windows) and runs start-up and shutdown.
#pragma once

#include "app/StartCommand.h"
#include "config/Settings.h"
#include "platform/AppContext.h"
#include "platform/CountedErrorBox.h"
#include "platform/DaemonSocket.h"
#include "platform/WireName.h"
#include "protocol/ProtocolConstants.h"
#include "robot/MessageStore.h"
#include "robot/RobotMessageList.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class CTalkDaemon;
class TerminationSignals;
class MessageAnnouncer;
class MessageKeeper;
class CTrayWindow;
class ProfileStore;

class CTalkApp : public QObject, public AppContext {
    Q_OBJECT
public:
    // How long the program's end waits at most for closing conversations to send what was typed.
    static constexpr int CLOSING_LIMIT_MS = 2000;

    explicit CTalkApp(ProfileStore& store, QObject* parent = nullptr);
    ~CTalkApp() override;

    // Start-up, in the program's order; false only when the socket layer cannot be started.
    bool InitInstance();

    CTrayWindow* trayWindow() const { return m_tray.get(); }
    // The talk daemon (null before start-up and when it could not bind its port).
    CTalkDaemon* daemon() const { return m_daemon.get(); }

    // The tray's "&Talk": by person or by host and user, as the connect style says.
    void Talk();
    // A command of the desktop entry's actions (this start's own, or one a later start handed over): what the tray
    // menu's entry of that name does. Messages opens the monitor even when no message waits; RobotOn and RobotOff set
    // the running robot switch and say in a notification what it is now. Before start-up has finished (the first
    // start's About box) it is kept, and runs from the event loop once start-up is done.
    void perform(StartCommand::Command command);
    // What the robot actions (RobotOn, RobotOff) say the switch is now.
    static inline const QString ROBOT_ON_TEXT = QStringLiteral("The talk robot is on: it answers every call.");
    static inline const QString ROBOT_ON_FULL_TEXT =
        QStringLiteral("The talk robot is on, but its message box is full: calls ring as if it were off until you "
                       "delete messages.");
    static inline const QString ROBOT_OFF_TEXT = QStringLiteral("The talk robot is off: calls ring for you.");

    // The desktop session ends: the program quits at once, asking nothing (its messages are on disk, and robot
    // conversations still running are filed on the way out), and never holds the logout up.
    void endSession();
    // SIGTERM, SIGHUP and SIGINT end the program as the end of the session does.
    void followTerminations(TerminationSignals& terminations);
    // The code of the first quit requested, or -1. A quit requested during start-up is posted, and lost when a
    // nested loop (the first start's About box) runs it: main checks this before it starts the event loop.
    int quitCode() const { return m_quitCode; }
    // The shutdown sequence: conversations end first (robot ones file what their callers typed), then the rest goes.
    // The destructor runs it; so does an exit() that never returns to main (AbruptExit). Runs once.
    void shutDown();

    // The daemon's socket as main bound it before start-up (DaemonSocket); without one the daemon binds its port.
    void setDaemonSocket(DaemonSocket socket) { m_daemonSocket = std::move(socket); }

    // Ports and addresses: the standard values; only tests change them, before start-up.
    void setDaemonPort(quint16 port) { m_daemonPort = port; }
    void setRemoteDaemonPort(quint16 port) { m_remoteDaemonPort = port; }
    void setNotificationTarget(const QHostAddress& address, quint16 port);

    // AppContext
    ProfileStore& store() override { return m_store; }
    Settings& settings() override { return m_settings; }
    RobotMessageList& messages() override { return m_messages; }
    MessageStore& messageStore() override { return m_messageStore; }
    CountedErrorBox& containerErrors() override { return m_containerErrors; }
    int robotSwitch() const override { return m_robotSwitch; }
    void setRobotSwitch(int on) override { m_robotSwitch = on ? 1 : 0; }
    quint16 daemonPort() const override { return m_daemonPort; }
    quint16 remoteDaemonPort() const override { return m_remoteDaemonPort; }
    bool OpenCustomizeSheet(int page) override;
    void openMessageMonitor() override;
    bool messageMonitorOpen() const override;
    void showAbout() override;
    QObject* startConversation(int mode, const QString& host, const WireName& user) override;
    void StartLocate(bool urgent, const QString& person) override;
    void requestQuit(int code) override;
    void addTalkWindow(TalkWindowEntry* window) override;
    void removeTalkWindow(TalkWindowEntry* window) override;
    QList<TalkWindowEntry*> talkWindows() const override { return m_talkWindows; }
    QWidget* ownerWindow() const override;

signals:
    // The program is about to quit with `code` (tests watch this instead of the event loop's end).
    void quitRequested(int code);

private:
    // Sets the running robot switch and says so.
    void switchRobot(bool on);
    void CreateDaemon();
    // Follows the desktop session: its end quits the program (endSession).
    void FollowSession();
    // Reads the robot messages kept on disk back into the list and keeps the two in step from then on.
    void RestoreMessages();
    // Rings the local user for a caller the daemon announced.
    void openPrompt(int action, const QString& host, const WireName& name, int robotDelay);

    ProfileStore& m_store;
    Settings m_settings;
    RobotMessageList m_messages;
    MessageStore m_messageStore;
    CountedErrorBox m_containerErrors{MessageBoxService::Icon::Warning};
    int m_robotSwitch = 0;
    quint16 m_daemonPort = talk::DAEMON_PORT;
    DaemonSocket m_daemonSocket;
    quint16 m_remoteDaemonPort = talk::DAEMON_PORT;
    QHostAddress m_notificationAddress{QHostAddress::LocalHost};
    quint16 m_notificationPort = 13153;

    std::unique_ptr<CTrayWindow> m_tray;
    // The talk daemon and its error box.
    std::unique_ptr<CTalkDaemon> m_daemon;
    std::unique_ptr<CountedErrorBox> m_daemonErrors;
    std::unique_ptr<MessageKeeper> m_keeper;
    std::unique_ptr<MessageAnnouncer> m_announcer;
    bool m_sessionEnded = false;
    bool m_shutDown = false;
    // Start-up has finished: commands run at once; until then they wait here.
    bool m_started = false;
    QList<StartCommand::Command> m_waitingCommands;
    int m_quitCode = -1;
    QList<TalkWindowEntry*> m_talkWindows;
    // The single-instance windows while they are open.
    QPointer<QWidget> m_aboutBox;
    QPointer<QWidget> m_customizeSheet;
    QPointer<QWidget> m_messageMonitor;
};
