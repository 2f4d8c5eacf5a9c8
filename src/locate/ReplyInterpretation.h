// What one reply to a probe means for its row.
//
// What one reply to a probe means for its row: the new state, the status text, the located user, and
// whether it singles out the callee.
#pragma once

#include "platform/WireName.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

struct ReplyInterpretation {
    enum class Call { None, AtOnce, Candidate };

    int state = 0;
    QString status;
    // Set only when the reply carries the probe-reply marker (00 00 00 D7); the bytes are kept for the call.
    std::optional<WireName> locatedUser;
    Call call = Call::None;

    // `data` is the datagram as received (at most 84 bytes; shorter ones read as zero-filled).
    // 213 asks for an immediate call only when the search is urgent; auto-connect is the caller's part.
    static ReplyInterpretation interpret(const std::uint8_t* data, std::size_t length, bool urgent);
};
