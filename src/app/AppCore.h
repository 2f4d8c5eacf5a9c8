// What lives as long as the program and has no window: the profile store, the settings record, the
// running talk-robot switch, the robot message list and the message container file's error box, and the
// addresses and ports the program talks to.
// The windowed application (CTalkApp) owns one; core classes take it by reference.
#pragma once

#include "config/Settings.h"
#include "platform/CountedErrorBox.h"
#include "protocol/ProtocolConstants.h"
#include "robot/RobotMessageList.h"

#include <QHostAddress>
#include <QObject>

class ProfileStore;

class AppCore : public QObject {
    Q_OBJECT
public:
    explicit AppCore(ProfileStore& store, QObject* parent = nullptr);
    ~AppCore() override;

    ProfileStore& store() { return m_store; }
    const ProfileStore& store() const { return m_store; }
    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }
    RobotMessageList& messages() { return m_messages; }
    // Failures to write the message container file, one box at a time.
    CountedErrorBox& containerErrors() { return m_containerErrors; }

    // The running talk-robot switch: 1 while the robot answers every call at once. Not persisted.
    int robotSwitch() const { return m_robotSwitch; }
    void setRobotSwitch(int on);
    // The robot takes calls: its switch is on and the message list has room.
    bool robotTakesCalls() const { return m_robotSwitch != 0 && !m_messages.isFull(); }

    // Ports and addresses: the standard values; only tests change them.
    quint16 daemonPort() const { return m_daemonPort; }
    void setDaemonPort(quint16 port) { m_daemonPort = port; }
    quint16 remoteDaemonPort() const { return m_remoteDaemonPort; }
    void setRemoteDaemonPort(quint16 port) { m_remoteDaemonPort = port; }
    QHostAddress notificationAddress() const { return m_notificationAddress; }
    quint16 notificationPort() const { return m_notificationPort; }
    void setNotificationTarget(const QHostAddress& address, quint16 port);

    // The one instance of the running program (null in tests that build their own).
    static AppCore* current();

signals:
    void robotSwitchChanged(int on);

private:
    ProfileStore& m_store;
    Settings m_settings;
    RobotMessageList m_messages;
    CountedErrorBox m_containerErrors{MessageBoxService::Icon::Warning};
    int m_robotSwitch = 0;
    quint16 m_daemonPort = talk::DAEMON_PORT;
    quint16 m_remoteDaemonPort = talk::DAEMON_PORT;
    QHostAddress m_notificationAddress{QHostAddress::LocalHost};
    quint16 m_notificationPort = 13153;
};
