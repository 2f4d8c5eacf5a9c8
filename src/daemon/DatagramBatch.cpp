// Replies queued for the daemon's batch; reading and sending are the system's (DatagramBatch_*.cpp).
#include "daemon/DatagramBatch.h"

void DatagramBatch::queueReply(int i, std::size_t length) {
    const auto at = std::size_t(m_queued++);
    m_replyTo[at] = i;
    m_replyLength[at] = length;
}
