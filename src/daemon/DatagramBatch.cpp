// Batched datagram I/O for the daemon (see DatagramBatch.h).
#include "daemon/DatagramBatch.h"

#include <algorithm>
#include <cerrno>

DatagramBatch::DatagramBatch() {
    for (std::size_t i = 0; i < std::size_t(CAPACITY); ++i) {
        m_inVectors[i] = {m_in[i].data(), m_in[i].size()};
        m_headers[i].msg_hdr.msg_iov = &m_inVectors[i];
        m_headers[i].msg_hdr.msg_iovlen = 1;
    }
}

int DatagramBatch::receive(int fd, int most) {
    most = std::clamp(most, 0, CAPACITY);
    m_queued = 0;
    // The kernel writes the sender's address length and the flags back: set both again for every message.
    for (std::size_t i = 0; i < std::size_t(most); ++i) {
        m_headers[i].msg_hdr.msg_name = &m_senders[i];
        m_headers[i].msg_hdr.msg_namelen = sizeof(sockaddr_in);
        m_headers[i].msg_hdr.msg_flags = 0;
    }
    for (;;) {
        const int got = ::recvmmsg(fd, m_headers.data(), unsigned(most), MSG_DONTWAIT, nullptr);
        if (got >= 0)
            return got;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -errno;
    }
}

void DatagramBatch::queueReply(int i, std::size_t length) {
    const auto at = std::size_t(m_queued++);
    const auto from = std::size_t(i);
    m_outVectors[at] = {m_out[from].data(), length};
    m_replies[at].msg_hdr = {};
    m_replies[at].msg_hdr.msg_name = &m_senders[from];
    m_replies[at].msg_hdr.msg_namelen = sizeof(sockaddr_in);
    m_replies[at].msg_hdr.msg_iov = &m_outVectors[at];
    m_replies[at].msg_hdr.msg_iovlen = 1;
}

DatagramBatch::SendResult DatagramBatch::send(int fd) {
    SendResult result;
    int next = 0;
    while (next < m_queued) {
        const int sent = ::sendmmsg(fd, m_replies.data() + next, unsigned(m_queued - next), MSG_DONTWAIT);
        if (sent > 0) {
            next += sent;
            result.sent += sent;
            continue;
        }
        const int error = errno;
        if (sent < 0 && error == EINTR)
            continue;
        if (error == EAGAIN || error == EWOULDBLOCK) {
            result.dropped += m_queued - next;
            break;
        }
        result.error = error;
        if (error == ENOBUFS) {
            result.failed += m_queued - next;
            break;
        }
        // This reply's destination failed (unreachable, refused by a filter): skip it, the others still go.
        ++result.failed;
        ++next;
    }
    m_queued = 0;
    return result;
}
