// Replies queued for the daemon's batch; reading and sending are the system's (DatagramBatch_*.cpp).
#include "daemon/DatagramBatch.h"

#include "platform/SocketErrors.h"

void DatagramBatch::queueReply(int i, std::size_t length) {
    const auto at = std::size_t(m_queued++);
    m_replyTo[at] = i;
    m_replyLength[at] = length;
}

int DatagramBatch::countFailure(SendResult& result, int systemError, int left) {
    const int code = SocketErrors::fromSystem(systemError);
    if (code == SocketErrors::WSAEWOULDBLOCK) {
        result.dropped += left;
        return left;
    }
    result.error = systemError;
    // This reply's destination alone may have failed (unreachable, refused by a filter): the others still go.
    const int givenUp = code == SocketErrors::WSAENOBUFS ? left : 1;
    result.failed += givenUp;
    return givenUp;
}
