// The system's requests that the program end, delivered as Qt signals.
//
// Linux: the signals that ask a process to end (SIGTERM, SIGHUP, SIGINT). systemd ending a session, a logout without
// a session manager and a closed terminal end a program with these signals; their default action kills it on the
// spot, and what only the program's orderly end saves would be lost. A signal handler may do next to nothing: it
// writes the signal's number into a pipe, and a socket notifier on the pipe's other end emits received() from the
// event loop. A second signal of the same kind ends the program the default way, for an orderly end that hangs.
//
// Windows: the end of the session (WM_ENDSESSION). The process is ended as soon as that message has been handled, so
// ending() is emitted from inside it: whatever must be saved is saved before the handler returns.
//
// One instance at a time; it restores what it changed when it goes.
#pragma once

#include <QObject>

#include <memory>

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    // Asked to end: the program ends through its event loop.
    void received(int signalNumber);
    // Ending now: the process does not outlive the handlers of this signal.
    void ending();

private:
    struct Handlers;
    std::unique_ptr<Handlers> m_handlers;
};
