// The daemon's socket: ownership of the descriptor. Binding it and reading it are the system's (DaemonSocket_*.cpp).
#include "platform/DaemonSocket.h"

#include <utility>

DaemonSocket::~DaemonSocket() {
    if (m_descriptor >= 0)
        closeDescriptor(m_descriptor);
}

DaemonSocket::DaemonSocket(DaemonSocket&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)), m_error(std::exchange(other.m_error, 0)) {}

DaemonSocket& DaemonSocket::operator=(DaemonSocket&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0)
            closeDescriptor(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_error = std::exchange(other.m_error, 0);
    }
    return *this;
}

qintptr DaemonSocket::release() {
    return std::exchange(m_descriptor, -1);
}
