// Binding the daemon's port with Windows Sockets, before Qt exists. Nothing needs a privilege on Windows.
#include "platform/DaemonSocket.h"

#include <winsock2.h>

#include <mswsock.h>

namespace {

// Windows Sockets is started once for the process (Qt starts it again for its own sockets; starts are counted).
bool startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

} // namespace

DaemonSocket DaemonSocket::bind(quint16 port) {
    DaemonSocket socket;
    if (!startWinsock()) {
        socket.m_error = WSASYSNOTREADY;
        return socket;
    }
    const SOCKET s =
        WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        socket.m_error = WSAGetLastError();
        return socket;
    }
    // Exclusive use: no other socket may bind the port over this one, and no SO_REUSEADDR lets a second daemon in.
    BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    // A datagram sent to a closed port of a peer must not make the next receive fail with WSAECONNRESET.
    BOOL reportResets = FALSE;
    DWORD returned = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &reportResets, sizeof reportResets, nullptr, 0, &returned, nullptr, nullptr);
    u_long nonBlocking = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
        ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        socket.m_error = WSAGetLastError();
        closesocket(s);
        return socket;
    }
    socket.m_descriptor = qintptr(s);
    return socket;
}

void DaemonSocket::closeDescriptor(qintptr descriptor) {
    closesocket(SOCKET(descriptor));
}

quint16 DaemonSocket::localPort() const {
    sockaddr_in address{};
    int length = sizeof address;
    if (m_descriptor < 0 || getsockname(SOCKET(m_descriptor), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

void DaemonSocket::discardQueued() {
    // A one-byte buffer dequeues a longer datagram too (WSAEMSGSIZE); WSAEWOULDBLOCK ends it.
    char discard;
    while (m_descriptor >= 0 && (recv(SOCKET(m_descriptor), &discard, 1, 0) >= 0 || WSAGetLastError() == WSAEMSGSIZE)) {
    }
}
