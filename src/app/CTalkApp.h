// The application object: owns everything that lives as long as the program (the core state, the
// hidden tray window, the talk daemon), runs start-up and shutdown, and is where windows reach
// each other: conversations, locate searches, the message monitor, the Customize sheet, the About box.
#pragma once

#include "app/AppCore.h"
#include "platform/WireName.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class CTalkDaemon;
class CTrayWindow;
class CountedErrorBox;
class ProfileStore;
class TalkWindowEntry;

class CTalkApp : public QObject {
    Q_OBJECT
public:
    explicit CTalkApp(ProfileStore& store, QObject* parent = nullptr);
    ~CTalkApp() override;

    // Start-up, in the program's order; false only when the socket layer cannot be started.
    bool InitInstance();

    static CTalkApp* instance();

    AppCore& core() { return m_core; }
    Settings& settings() { return m_core.settings(); }
    ProfileStore& store() { return m_core.store(); }
    CTrayWindow* trayWindow() const { return m_tray.get(); }
    // The talk daemon (null before start-up and when it could not bind its port).
    CTalkDaemon* daemon() const { return m_daemon.get(); }

    // Conversations without a task-bar button, listed by the tray's "&Windows" submenu.
    void addTalkWindow(TalkWindowEntry* window);
    void removeTalkWindow(TalkWindowEntry* window);
    const QList<TalkWindowEntry*>& talkWindows() const { return m_talkWindows; }

    // The single-instance windows while they are open.
    QPointer<QWidget> aboutBox;
    QPointer<QWidget> customizeSheet;
    QPointer<QWidget> messageMonitor;

    // The commands that open the program's windows.
    void ShowAbout();
    // Opens the Customize sheet on `page` (or switches the open one to it); returns when it has closed.
    void OpenCustomizeSheet(int page);
    // Restores and brings the open monitor to the foreground, or opens a new one.
    void OpenMessageMonitor();
    // The tray's "&Talk": by person or by host and user, as the connect style says.
    void Talk();
    // A new conversation: mode 0 interactive, 1 talk robot. Returns the conversation object, which
    // deletes itself when the conversation ends (null when none could be started). A user from the network
    // keeps its bytes; a typed one is WireName::typed.
    QObject* StartConversation(int mode, const QString& host, const WireName& user);
    // A new locate search for a person of the address book.
    void StartLocate(bool urgent, const QString& person);

    // Ends the event loop with `code` once control returns to it.
    void RequestQuit(int code);

signals:
    // The program is about to quit with `code` (tests watch this instead of the event loop's end).
    void quitRequested(int code);

private:
    void CreateDaemon();
    void notAvailableYet(const QString& what);
    // Rings the local user for a caller the daemon announced.
    void openPrompt(int action, const QString& host, const WireName& name, int robotDelay);

    AppCore m_core;
    std::unique_ptr<CTrayWindow> m_tray;
    // The talk daemon and its error boxes.
    std::unique_ptr<CTalkDaemon> m_daemon;
    std::unique_ptr<CountedErrorBox> m_daemonErrors;
    QList<TalkWindowEntry*> m_talkWindows;
};
