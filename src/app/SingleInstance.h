// One copy of the program per user session: the first start serves a local socket in the user's runtime folder (a
// named pipe on Windows), and a later start hands its command to it there and ends.
//
// The folder is the user's own (mode 0700). A lock file beside the socket decides which of two starts at once becomes
// the first copy; the socket is owner-only too, and each end checks the other's user (SO_PEERCRED; on Windows the
// user of the pipe's other process) before it acts.
// The conversation: the client says one word of StartCommand's and a line end, the first copy answers "ok" and a
// line end, and the connection ends. Junk, a long line or silence ends it unanswered.
#pragma once

#include "app/StartCommand.h"

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The longest word and its line end fit.
    static constexpr int WORD_LIMIT_BYTES = 16;
    // How long a client may take to say its word, and how many are heard at once (more are closed at once).
    static constexpr int CLIENT_LIMIT_MS = 2000;
    static constexpr int MAX_CLIENTS = 4;
    // How long a start waits for a first copy that holds the lock but does not listen yet, and for the "ok".
    static constexpr int WAIT_FOR_FIRST_MS = 5000;
    static constexpr int WAIT_FOR_ANSWER_MS = 5000;
    static constexpr int RETRY_MS = 50;

    enum class Claim {
        HandedOver, // the running copy took the command: this start ends
        NoAnswer,   // a running copy took the connection but never answered
        First,      // this start is the first copy: it serves the socket from listen() on
        Alone,      // neither (no runtime folder, or a lock a live process holds and nobody serves): it starts
                    // without serving
    };

    // `folder`: the user's own runtime folder (empty: none); `key`: what tells the session's copy from others.
    SingleInstance(const QString& folder, const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR, or else the folder of the user's own that Qt makes; empty unless the user alone may enter it.
    static QString runtimeFolder();

    // Before the application object exists (system calls and a lock file only): hands `command` to the running copy,
    // or becomes the first copy. A lock whose socket refuses connections for all of WAIT_FOR_FIRST_MS is stale
    // unless a live process holds it (every copy of ours does, from its start to its end): a planted, empty or
    // unreadable file, or one naming another program or host, is removed then and the wait starts once more.
    // Waits at most 2 × WAIT_FOR_FIRST_MS + WAIT_FOR_ANSWER_MS.
    Claim claim(StartCommand::Command command);
    // The first copy, once it has an event loop: serves the socket (one that a crashed copy left is replaced).
    bool listen();

    QString socketPath() const { return m_socketPath; }
    QString lockPath() const { return m_lockPath; }

    // A copy of ours took this start's command and never answered (Claim::NoAnswer): the user is told on stderr
    // and in a box, since a start from the desktop's menu has no terminal. Needs the application object.
    static void reportNoAnswer();
    static inline const QString NO_ANSWER_TEXT =
        QStringLiteral("Murmelo is already running, but it does not respond.\n\n"
                       "Wait a moment and try again. If it still does not respond, end it (for example in the "
                       "system monitor) and start Murmelo again.");
    // Tests shorten the waits.
    void setWaits(int forFirstMs, int forAnswerMs, int clientMs);

signals:
    // A later start's command, emitted from the event loop (never from inside the socket's handler).
    void commandReceived(StartCommand::Command command);

private:
    // What the first copy answers to a word it took.
    static inline const QByteArray ANSWER = QByteArrayLiteral("ok\n");
    enum class Reach { Nobody, HandedOver, NoAnswer };
    // The system's part (SingleInstance_unix.cpp, SingleInstance_win.cpp): the hand-over, without Qt's event loop;
    // the local server's name (a socket in `folder` on Linux, a named pipe on Windows); whether a client's process
    // runs as this process's user.
    Reach handOver(StartCommand::Command command) const;
    static QString serverName(const QString& folder, const QString& name);
    static bool peerIsUs(qintptr descriptor);
    // Removes the lock file unless a live process holds it. True when the name is free now, or another start has
    // taken it since.
    bool breakStaleLock() const;
    void acceptClients();
    void hear(QLocalSocket* client);

    QString m_socketPath;
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    int m_clients = 0;
    int m_waitForFirstMs = WAIT_FOR_FIRST_MS;
    int m_waitForAnswerMs = WAIT_FOR_ANSWER_MS;
    int m_clientMs = CLIENT_LIMIT_MS;
};
