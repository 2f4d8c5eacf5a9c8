// A stand-in for the application shell: the program's state as real objects (over the test's profile store),
// and the shell's services recorded, and answered by hooks the test sets, instead of opening windows.
#pragma once

#include "config/Settings.h"
#include "platform/AppContext.h"
#include "platform/CountedErrorBox.h"
#include "platform/WireName.h"
#include "protocol/ProtocolConstants.h"
#include "robot/MessageStore.h"
#include "robot/RobotMessageList.h"

#include <QList>
#include <QString>

#include <functional>

class FakeAppContext final : public AppContext {
public:
    // The settings record starts with its defaults; tests load it from the store where they need to.
    explicit FakeAppContext(ProfileStore& store);
    ~FakeAppContext() override;

    struct Conversation {
        int mode;
        QString host;
        WireName user;
        bool operator==(const Conversation&) const = default;
    };
    struct Search {
        bool urgent;
        QString person;
        bool operator==(const Search&) const = default;
    };

    // What the shell was asked to do, in order.
    QList<Conversation> conversations;
    QList<Search> searches;
    QList<int> sheets;
    int monitorsOpened = 0;
    // Whether the monitor counts as open (messageMonitorOpen).
    bool monitorOpen = false;
    int aboutBoxes = 0;
    QList<int> quits;

    // Answers: the conversation object startConversation returns (null when unset), what an open sheet does
    // before it "closes", whether it stays open instead, and what opening the monitor does.
    std::function<QObject*(const Conversation&)> onConversation;
    std::function<void()> onSheet;
    bool sheetStaysOpen = false;
    std::function<void()> onMonitor;

    QWidget* owner = nullptr;
    void setDaemonPort(quint16 port) { m_daemonPort = port; }
    void setRemoteDaemonPort(quint16 port) { m_remoteDaemonPort = port; }

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
    bool messageMonitorOpen() const override { return monitorOpen; }
    void showAbout() override { ++aboutBoxes; }
    QObject* startConversation(int mode, const QString& host, const WireName& user) override;
    void StartLocate(bool urgent, const QString& person) override { searches.append({urgent, person}); }
    void requestQuit(int code) override { quits.append(code); }
    void addTalkWindow(TalkWindowEntry* window) override;
    void removeTalkWindow(TalkWindowEntry* window) override { m_talkWindows.removeAll(window); }
    QList<TalkWindowEntry*> talkWindows() const override { return m_talkWindows; }
    QWidget* ownerWindow() const override { return owner; }

private:
    ProfileStore& m_store;
    Settings m_settings;
    RobotMessageList m_messages;
    MessageStore m_messageStore;
    CountedErrorBox m_containerErrors{MessageBoxService::Icon::Warning};
    int m_robotSwitch = 0;
    // The standard port, as in the program: tests that send or bind set their own.
    quint16 m_daemonPort = talk::DAEMON_PORT;
    quint16 m_remoteDaemonPort = talk::DAEMON_PORT;
    QList<TalkWindowEntry*> m_talkWindows;
};
