// The signals that ask a process to end (SIGTERM, SIGHUP, SIGINT), delivered as a Qt signal in the event loop.
//
// systemd ending a session, a logout without a session manager and a closed terminal end a program with these
// signals; their default action kills it on the spot, and what only the program's orderly end saves would be lost.
// A signal handler may do next to nothing: it writes the signal's number into a pipe, and a socket notifier on the
// pipe's other end emits received() from the event loop. A second signal of the same kind ends the program the
// default way, for an orderly end that hangs. One instance at a time; it restores the previous handlers when it goes.
#pragma once

#include <QObject>

#include <array>

#include <signal.h>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    static constexpr std::array<int, 3> SIGNALS = {SIGTERM, SIGHUP, SIGINT};

    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void onReadable();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    std::array<struct sigaction, SIGNALS.size()> m_previous{};
};
