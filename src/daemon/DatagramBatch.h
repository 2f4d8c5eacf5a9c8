// The daemon's datagrams in batches: up to CAPACITY read with one recvmmsg and their replies sent with one sendmmsg,
// in buffers allocated once with the object, so a datagram costs no allocation and no system call of its own.
//
// IPv4 only, as the daemon's socket. A datagram longer than a request is cut to its first MESSAGE_SIZE bytes and
// marked truncated. Replies go back to the senders of the batch last received, in the order they were queued.
#pragma once

#include "config/Bounds.h"
#include "protocol/ControlMessage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>

class DatagramBatch {
public:
    static constexpr int CAPACITY = bounds::MAX_DATAGRAMS_PER_EVENT;

    DatagramBatch();
    DatagramBatch(const DatagramBatch&) = delete;
    DatagramBatch& operator=(const DatagramBatch&) = delete;

    // Reads what is queued on the socket, at most `most` (up to CAPACITY) datagrams, without waiting. Returns how
    // many (0 when nothing was queued), or -errno on a receive error. Replies still queued are dropped: send() them
    // first.
    int receive(int fd, int most = CAPACITY);

    const std::uint8_t* data(int i) const { return m_in[std::size_t(i)].data(); }
    std::size_t length(int i) const { return m_headers[std::size_t(i)].msg_len; }
    // Longer than MESSAGE_SIZE: only its first bytes were read.
    bool truncated(int i) const { return (m_headers[std::size_t(i)].msg_hdr.msg_flags & MSG_TRUNC) != 0; }
    // Host order.
    std::uint32_t senderIp(int i) const { return ntohl(m_senders[std::size_t(i)].sin_addr.s_addr); }
    std::uint16_t senderPort(int i) const { return ntohs(m_senders[std::size_t(i)].sin_port); }

    // Where the reply to datagram i is built; queueReply(i, n) then sends its first n bytes to i's sender.
    talk::Datagram& replyBuffer(int i) { return m_out[std::size_t(i)]; }
    void queueReply(int i, std::size_t length);
    int queuedReplies() const { return m_queued; }

    struct SendResult {
        int sent = 0;
        int dropped = 0; // the rest of the batch under a full send buffer (the send would block): no error
        int failed = 0;  // failed one by one, or the rest of the batch when the system had no buffers (ENOBUFS)
        int error = 0;   // the errno of the last failure counted in `failed`
    };
    // Sends the queued replies without waiting. A reply that fails for its destination alone is skipped and the
    // rest still go; under a full send buffer (EAGAIN) or without system buffers (ENOBUFS) the rest of the batch is
    // dropped, as the system drops datagrams it has no room for. Nothing is sent twice. The queue is empty
    // afterwards.
    SendResult send(int fd);

private:
    std::array<talk::Datagram, CAPACITY> m_in{};
    std::array<sockaddr_in, CAPACITY> m_senders{};
    std::array<iovec, CAPACITY> m_inVectors{};
    std::array<mmsghdr, CAPACITY> m_headers{};
    std::array<talk::Datagram, CAPACITY> m_out{};
    std::array<iovec, CAPACITY> m_outVectors{};
    std::array<mmsghdr, CAPACITY> m_replies{};
    int m_queued = 0;
};
