// Binding the daemon's port with the system's own calls, before Qt exists.
#include "platform/DaemonSocket.h"

#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

DaemonSocket DaemonSocket::bind(quint16 port) {
    DaemonSocket socket;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        socket.m_error = errno;
        return socket;
    }
    // No SO_REUSEADDR: a second daemon must find the port taken. The daemon reads it with its own calls, so it
    // asks for no ancillary data.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        socket.m_error = errno;
        ::close(fd);
        return socket;
    }
    socket.m_descriptor = fd;
    return socket;
}

void DaemonSocket::closeDescriptor(qintptr descriptor) {
    ::close(int(descriptor));
}

quint16 DaemonSocket::localPort() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (m_descriptor < 0 || ::getsockname(int(m_descriptor), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

void DaemonSocket::discardQueued() {
    char discard;
    while (m_descriptor >= 0 && (::recv(int(m_descriptor), &discard, 1, MSG_DONTWAIT) >= 0 || errno == EINTR)) {
    }
}
