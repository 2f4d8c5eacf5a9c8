// The talk control datagram, as the program writes and reads it.
//
//  offset size field     contents
//   0      1   vers      always 1
//   1      1   type      LEAVE_INVITE 0, LOOK_UP 1, DELETE 2, ANNOUNCE 3, PROBE 215
//   2      1   answer    0 in a request; the answer code in a reply
//   3      1   pad       the sender's robot delay in seconds (0 from Unix talk programs)
//   4      4   id_num    invitation id, network order; PROBE_ID as D7 00 00 00 (request) / 00 00 00 D7 (reply)
//   8     16   addr      family (2, network order), port (network order), IPv4 address, 8 zero bytes
//  24     16   ctl_addr  the same layout: the sender's control address
//  40      4   pid       zero; never read
//  44     12   l_name    sender's login name, NUL-padded
//  56     12   r_name    addressee's login name, NUL-padded (12 characters: no terminator)
//  68     16   r_tty     addressee's terminal; in the probe reply r_name + r_tty hold a 28-byte full name
//
// A normal reply is bytes 0 to 23; the probe reply is all 84.
#pragma once

#include "protocol/ProtocolConstants.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace talk {

struct SockAddr {
    std::uint16_t family = 0;
    std::uint16_t port = 0; // host order
    std::uint32_t ip = 0;   // host order: 127.0.0.1 is 0x7F000001
    std::array<std::uint8_t, 8> zero{};

    bool operator==(const SockAddr&) const = default;
};

using Datagram = std::array<std::uint8_t, MESSAGE_SIZE>;

class ControlMessage {
public:
    std::uint8_t vers = 0;
    std::uint8_t type = 0;
    std::uint8_t answer = 0;
    std::uint8_t pad = 0;
    IdBytes id_num{};
    SockAddr addr;
    SockAddr ctl_addr;
    std::array<std::uint8_t, 4> pid{};
    std::array<std::uint8_t, NAME_SIZE> l_name{};
    std::array<std::uint8_t, NAME_SIZE> r_name{};
    std::array<std::uint8_t, TTY_SIZE> r_tty{};

    // All 84 bytes.
    Datagram encode() const;
    // Reads up to 84 bytes; bytes beyond the given length read as zero. Longer input is cut.
    static ControlMessage decode(const std::uint8_t* data, std::size_t length);
    static ControlMessage decode(const Datagram& data) { return decode(data.data(), data.size()); }

    std::uint32_t idNetworkOrder() const;
    void setIdNetworkOrder(std::uint32_t id);
    bool isProbeRequest() const { return id_num == PROBE_ID_REQUEST; }
    bool isProbeReply() const { return id_num == PROBE_ID_REPLY; }

    std::string localName() const { return readName(l_name.data(), l_name.size()); }
    std::string remoteName() const { return readName(r_name.data(), r_name.size()); }
    void setLocalName(std::string_view name) { writeName(l_name.data(), l_name.size(), name); }
    void setRemoteName(std::string_view name) { writeName(r_name.data(), r_name.size(), name); }

    // The probe reply's full name spans r_name and r_tty.
    std::string fullName() const;
    void setFullName(std::string_view name);

    // The bytes up to the first NUL, at most `width`.
    static std::string readName(const std::uint8_t* field, std::size_t width);
    // Bounded copy: NUL-padded when shorter; cut to `width` bytes (on a UTF-8 character boundary) when longer.
    static void writeName(std::uint8_t* field, std::size_t width, std::string_view name);
    // The longest prefix of `text` of at most `width` bytes that does not split a UTF-8 character.
    static std::size_t utf8CutLength(std::string_view text, std::size_t width);

    bool operator==(const ControlMessage&) const = default;
};

// Sockaddr helpers for the 16-byte wire form.
void encodeSockAddr(std::uint8_t* out, const SockAddr& a);
SockAddr decodeSockAddr(const std::uint8_t* in);

} // namespace talk
