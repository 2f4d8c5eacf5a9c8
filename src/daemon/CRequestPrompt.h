// The incoming request prompt: the window that rings the local user for one caller.
//
// The incoming request prompt: one small window per ringing caller, offering to talk or to ignore the call.
// It is also where the talk robot takes a call: at once when the robot is on or the caller's action is
// "Connect at once", and after the robot delay when nobody answers. It never answers the caller itself: the
// daemon already has. It never takes the keyboard from another window of the program, and no key answers it in the
// first moment after it appears (FocusGuard). The caller's DELETE (through the daemon) closes it as Ignore would.
// While the robot message list is full the robot takes no call: the prompt rings as if the robot were off, and the
// robot delay never runs out.
#pragma once

#include "platform/WireName.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

class AppContext;
class CTalkDaemon;
class QLabel;

class CRequestPrompt : public QDialog {
    Q_OBJECT
public:
    // Opens the prompt for a caller the daemon rang; it deletes itself when it is done. The conversation it starts
    // (through the context) calls the caller by the name's bytes as they came. The prompt enters the daemon's
    // prompt list and waits its turn at the daemon's gate for conversations it starts by itself; without a
    // daemon it starts them at once.
    CRequestPrompt(AppContext& context, CTalkDaemon* daemon, int action, const QString& host, const WireName& name,
                   int robotDelay, QWidget* owner = nullptr);
    ~CRequestPrompt() override;

    static inline const QString TITLE = QStringLiteral("Talk request from");

    int action() const { return m_action; }
    QString callerHost() const { return m_host; }
    QString callerName() const { return m_name.text; }
    // "<name> at <host>", control characters in caret form.
    QString callerText() const;
    bool robotTimerActive() const { return m_robotTimer.isActive(); }
    // True while a conversation the prompt starts by itself waits for its turn.
    bool waitingForTurn() const { return m_waiting; }

    // Accept: the "&Talk" button, and the prompt itself when the robot is on or the caller is let through.
    void acceptCall();
    // Ignore: the "&Ignore" button, the close box, and the caller's DELETE.
    void ignoreCall();

protected:
    void reject() override;

private:
    void robotDelayElapsed();
    void showToUser();
    void ringAsIfRobotOff();
    void startByItself(int mode);
    void finish();
    // The message list is full: the robot takes no call, and a call rings as if the robot were off.
    bool messageBoxFull() const;

    AppContext& m_context;
    int m_action;
    QString m_host;
    WireName m_name;
    QPointer<CTalkDaemon> m_daemon;
    QLabel* m_callerText = nullptr;
    QTimer m_robotTimer;
    bool m_waiting = false;
    bool m_done = false;
};
