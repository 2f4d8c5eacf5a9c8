// The talk daemon's UDP socket, bound before anything else runs, while the process may still bind port 518.
//
// main binds it first and then drops every privilege; the daemon adopts the descriptor (CTalkDaemon::adopt) and
// reports a failed bind as its own bind's. The daemon binds its own socket the same way when none was handed over.
// Move-only: a descriptor that nobody adopted is closed with the object.
#pragma once

#include <QtGlobal>

class DaemonSocket {
public:
    // No socket: the daemon binds its own.
    DaemonSocket() = default;
    // Binds a non-blocking UDP socket on every IPv4 address and `port` without address sharing.
    static DaemonSocket bind(quint16 port);

    ~DaemonSocket();
    DaemonSocket(DaemonSocket&& other) noexcept;
    DaemonSocket& operator=(DaemonSocket&& other) noexcept;
    DaemonSocket(const DaemonSocket&) = delete;
    DaemonSocket& operator=(const DaemonSocket&) = delete;

    // Neither bound nor failed: nothing was tried.
    bool isEmpty() const { return m_descriptor < 0 && m_error == 0; }
    // The system's error number of the failed step (errno, or WSAGetLastError() on Windows), 0 when bound.
    int error() const { return m_error; }
    // The port it is bound to (0 when it is not bound).
    quint16 localPort() const;
    // The bound descriptor (a SOCKET on Windows), still owned by the object (-1 when there is none).
    qintptr descriptor() const { return m_descriptor; }
    // Hands the descriptor over (-1 when there is none); the object no longer closes it.
    qintptr release();
    // Drops, unanswered, every datagram queued on the socket.
    void discardQueued();

private:
    static void closeDescriptor(qintptr descriptor);

    qintptr m_descriptor = -1;
    int m_error = 0;
};
