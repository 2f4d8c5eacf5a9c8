// The daemon's datagrams on Windows: one recvfrom and one sendto each, within the same bound per batch.
#include "daemon/DatagramBatch.h"

#include <algorithm>

#include <winsock2.h>

struct DatagramBatch::Native {
    std::array<sockaddr_in, CAPACITY> senders{};
};

DatagramBatch::DatagramBatch() : m_native(std::make_unique<Native>()) {}

DatagramBatch::~DatagramBatch() = default;

int DatagramBatch::receive(qintptr fd, int most) {
    most = std::clamp(most, 0, CAPACITY);
    m_queued = 0;
    Native& n = *m_native;
    int got = 0;
    while (got < most) {
        const auto i = std::size_t(got);
        int addressLength = sizeof(sockaddr_in);
        const int length = recvfrom(SOCKET(fd), reinterpret_cast<char*>(m_in[i].data()), int(m_in[i].size()), 0,
                                    reinterpret_cast<sockaddr*>(&n.senders[i]), &addressLength);
        bool truncated = false;
        if (length == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK)
                break;
            if (error == WSAECONNRESET)
                continue; // an ICMP port-unreachable for an earlier reply, not a datagram
            if (error != WSAEMSGSIZE)
                return got > 0 ? got : -error;
            // Longer than the buffer: its first bytes were read, the rest is gone.
            truncated = true;
        }
        m_length[i] = truncated ? m_in[i].size() : std::size_t(length);
        m_truncated[i] = truncated;
        m_senderIp[i] = ntohl(n.senders[i].sin_addr.s_addr);
        m_senderPort[i] = ntohs(n.senders[i].sin_port);
        ++got;
    }
    return got;
}

DatagramBatch::SendResult DatagramBatch::send(qintptr fd) {
    Native& n = *m_native;
    SendResult result;
    for (int at = 0; at < m_queued;) {
        const auto from = std::size_t(m_replyTo[std::size_t(at)]);
        const int length = int(m_replyLength[std::size_t(at)]);
        if (sendto(SOCKET(fd), reinterpret_cast<const char*>(m_out[from].data()), length, 0,
                   reinterpret_cast<const sockaddr*>(&n.senders[from]), sizeof(sockaddr_in)) == length) {
            ++result.sent;
            ++at;
            continue;
        }
        at += countFailure(result, WSAGetLastError(), m_queued - at);
    }
    m_queued = 0;
    return result;
}
