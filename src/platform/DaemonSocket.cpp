// Binding the daemon's port with the system's own calls, before Qt exists.
#include "platform/DaemonSocket.h"

#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

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

DaemonSocket::~DaemonSocket() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

DaemonSocket::DaemonSocket(DaemonSocket&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)), m_error(std::exchange(other.m_error, 0)) {}

DaemonSocket& DaemonSocket::operator=(DaemonSocket&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_error = std::exchange(other.m_error, 0);
    }
    return *this;
}

int DaemonSocket::release() {
    return std::exchange(m_descriptor, -1);
}

quint16 DaemonSocket::localPort() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (m_descriptor < 0 || ::getsockname(m_descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}
