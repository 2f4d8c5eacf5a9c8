// Batched datagram I/O for the daemon with recvmmsg and sendmmsg.
#include "daemon/DatagramBatch.h"

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>

struct DatagramBatch::Native {
    std::array<sockaddr_in, CAPACITY> senders{};
    std::array<iovec, CAPACITY> inVectors{};
    std::array<mmsghdr, CAPACITY> headers{};
    std::array<iovec, CAPACITY> outVectors{};
    std::array<mmsghdr, CAPACITY> replies{};
};

DatagramBatch::DatagramBatch() : m_native(std::make_unique<Native>()) {
    for (std::size_t i = 0; i < std::size_t(CAPACITY); ++i) {
        m_native->inVectors[i] = {m_in[i].data(), m_in[i].size()};
        m_native->headers[i].msg_hdr.msg_iov = &m_native->inVectors[i];
        m_native->headers[i].msg_hdr.msg_iovlen = 1;
    }
}

DatagramBatch::~DatagramBatch() = default;

int DatagramBatch::receive(qintptr fd, int most) {
    most = std::clamp(most, 0, CAPACITY);
    m_queued = 0;
    Native& n = *m_native;
    // The kernel writes the sender's address length and the flags back: set both again for every message.
    for (std::size_t i = 0; i < std::size_t(most); ++i) {
        n.headers[i].msg_hdr.msg_name = &n.senders[i];
        n.headers[i].msg_hdr.msg_namelen = sizeof(sockaddr_in);
        n.headers[i].msg_hdr.msg_flags = 0;
    }
    for (;;) {
        const int got = ::recvmmsg(int(fd), n.headers.data(), unsigned(most), MSG_DONTWAIT, nullptr);
        if (got >= 0) {
            for (std::size_t i = 0; i < std::size_t(got); ++i) {
                m_length[i] = n.headers[i].msg_len;
                m_truncated[i] = (n.headers[i].msg_hdr.msg_flags & MSG_TRUNC) != 0;
                m_senderIp[i] = ntohl(n.senders[i].sin_addr.s_addr);
                m_senderPort[i] = ntohs(n.senders[i].sin_port);
            }
            return got;
        }
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -errno;
    }
}

DatagramBatch::SendResult DatagramBatch::send(qintptr fd) {
    Native& n = *m_native;
    for (std::size_t at = 0; at < std::size_t(m_queued); ++at) {
        const auto from = std::size_t(m_replyTo[at]);
        n.outVectors[at] = {m_out[from].data(), m_replyLength[at]};
        n.replies[at].msg_hdr = {};
        n.replies[at].msg_hdr.msg_name = &n.senders[from];
        n.replies[at].msg_hdr.msg_namelen = sizeof(sockaddr_in);
        n.replies[at].msg_hdr.msg_iov = &n.outVectors[at];
        n.replies[at].msg_hdr.msg_iovlen = 1;
    }
    SendResult result;
    int next = 0;
    while (next < m_queued) {
        const int sent = ::sendmmsg(int(fd), n.replies.data() + next, unsigned(m_queued - next), MSG_DONTWAIT);
        if (sent > 0) {
            next += sent;
            result.sent += sent;
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        next += countFailure(result, errno, m_queued - next);
    }
    m_queued = 0;
    return result;
}
