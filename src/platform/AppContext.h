// The interface the application shell hands down to windows and engines; CTalkApp implements it.
//
// It holds the program's state (profile store, settings, robot messages and their store, robot switch, daemon ports)
// and the shell's services (the Customize sheet, the message monitor, conversations, locate searches, the list of
// conversation windows, the owner window). Tests fake it. Nothing below the shell reaches the shell any other
// way.
#pragma once

#include <QList>
#include <QtGlobal>

class CountedErrorBox;
class MessageStore;
class ProfileStore;
class QObject;
class QString;
class QWidget;
class RobotMessageList;
class Settings;
class TalkWindowEntry;
struct WireName;

class AppContext {
public:
    virtual ~AppContext() = default;

    // The state that lives as long as the program.
    virtual ProfileStore& store() = 0;
    virtual Settings& settings() = 0;
    virtual RobotMessageList& messages() = 0;
    // The robot messages on disk: the program's one store of them, so that after Uninstall removed them through it,
    // nothing is written there any more.
    virtual MessageStore& messageStore() = 0;
    // Failures to write the message container file, one box at a time.
    virtual CountedErrorBox& containerErrors() = 0;
    // The running talk-robot switch: 1 while the robot answers every call at once. Not persisted.
    virtual int robotSwitch() const = 0;
    virtual void setRobotSwitch(int on) = 0;
    // The port this machine's daemon listens on, and the port a conversation or a search sends to on other
    // hosts: the standard 518 in the program, other ports in tests.
    virtual quint16 daemonPort() const = 0;
    virtual quint16 remoteDaemonPort() const = 0;

    // Opens the Customize sheet on `page` and returns when it has closed (true); an open sheet only switches to
    // the page and stays open (false).
    virtual bool OpenCustomizeSheet(int page) = 0;
    // Restores and brings the open monitor to the foreground, or opens a new one.
    virtual void openMessageMonitor() = 0;
    // Whether the message monitor is on screen (open and not minimised): the user sees every message filed in it.
    virtual bool messageMonitorOpen() const = 0;
    // Shows the About box (it waits in its own loop: never call it from a socket's or a menu's handler).
    virtual void showAbout() = 0;
    // A new conversation: mode 0 interactive, 1 talk robot. Returns the conversation object, which deletes itself
    // when the conversation ends (null when none could be started). A user from the network keeps its bytes; a
    // typed one is WireName::typed.
    virtual QObject* startConversation(int mode, const QString& host, const WireName& user) = 0;
    // A new locate search for a person of the address book.
    virtual void StartLocate(bool urgent, const QString& person) = 0;
    // Ends the program with `code` once control returns to the event loop.
    virtual void requestQuit(int code) = 0;

    // Conversations without a task-bar button, listed by the tray's "&Windows" submenu.
    virtual void addTalkWindow(TalkWindowEntry* window) = 0;
    virtual void removeTalkWindow(TalkWindowEntry* window) = 0;
    virtual QList<TalkWindowEntry*> talkWindows() const = 0;
    // The hidden window that owns prompts, dialogs and conversations without a task-bar button (null in tests).
    virtual QWidget* ownerWindow() const = 0;
};
