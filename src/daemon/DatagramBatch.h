// The daemon's datagrams in batches: up to CAPACITY read and their replies sent with as few system calls as the
// system allows (recvmmsg and sendmmsg on Linux, one recvfrom and sendto each on Windows), in buffers allocated once
// with the object, so a datagram costs no allocation.
//
// IPv4 only, as the daemon's socket. A datagram longer than a request is cut to its first MESSAGE_SIZE bytes and
// marked truncated. Replies go back to the senders of the batch last received, in the order they were queued.
#pragma once

#include "config/Bounds.h"
#include "protocol/ControlMessage.h"

#include <QtGlobal>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class DatagramBatch {
public:
    static constexpr int CAPACITY = bounds::MAX_DATAGRAMS_PER_EVENT;

    DatagramBatch();
    ~DatagramBatch();
    DatagramBatch(const DatagramBatch&) = delete;
    DatagramBatch& operator=(const DatagramBatch&) = delete;

    // Reads what is queued on the socket, at most `most` (up to CAPACITY) datagrams, without waiting. Returns how
    // many (0 when nothing was queued), or minus the system's error number on a receive error. Replies still queued
    // are dropped: send() them first.
    int receive(qintptr fd, int most = CAPACITY);

    const std::uint8_t* data(int i) const { return m_in[std::size_t(i)].data(); }
    std::size_t length(int i) const { return m_length[std::size_t(i)]; }
    // Longer than MESSAGE_SIZE: only its first bytes were read.
    bool truncated(int i) const { return m_truncated[std::size_t(i)]; }
    // Host order.
    std::uint32_t senderIp(int i) const { return m_senderIp[std::size_t(i)]; }
    std::uint16_t senderPort(int i) const { return m_senderPort[std::size_t(i)]; }

    // Where the reply to datagram i is built; queueReply(i, n) then sends its first n bytes to i's sender.
    talk::Datagram& replyBuffer(int i) { return m_out[std::size_t(i)]; }
    void queueReply(int i, std::size_t length);
    int queuedReplies() const { return m_queued; }

    struct SendResult {
        int sent = 0;
        int dropped = 0; // the rest of the batch under a full send buffer (the send would block): no error
        int failed = 0;  // failed one by one, or the rest of the batch when the system had no buffers (ENOBUFS)
        int error = 0;   // the system's error number of the last failure counted in `failed`
    };
    // Sends the queued replies without waiting. A reply that fails for its destination alone is skipped and the
    // rest still go; under a full send buffer (EAGAIN, WSAEWOULDBLOCK) or without system buffers (ENOBUFS,
    // WSAENOBUFS) the rest of the batch is dropped, as the system drops datagrams it has no room for. Nothing is sent
    // twice. The queue is empty afterwards.
    SendResult send(qintptr fd);

private:
    // Counts a reply the system refused with its own error number `systemError`, `left` replies (this one
    // included) not yet sent, as send() describes. Returns how many of them are given up: this one, or all.
    static int countFailure(SendResult& result, int systemError, int left);

    // The system's own headers for the batch calls (Linux), made once with the object.
    struct Native;

    std::array<talk::Datagram, CAPACITY> m_in{};
    std::array<std::size_t, CAPACITY> m_length{};
    std::array<bool, CAPACITY> m_truncated{};
    std::array<std::uint32_t, CAPACITY> m_senderIp{};
    std::array<std::uint16_t, CAPACITY> m_senderPort{};
    std::array<talk::Datagram, CAPACITY> m_out{};
    // Queued reply k answers datagram m_replyTo[k] with m_replyLength[k] bytes of its reply buffer.
    std::array<int, CAPACITY> m_replyTo{};
    std::array<std::size_t, CAPACITY> m_replyLength{};
    int m_queued = 0;
    std::unique_ptr<Native> m_native;
};
