// Every number of the talk control protocol that the program speaks, in one place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace talk {

constexpr std::uint16_t DAEMON_PORT = 518;
constexpr std::uint8_t TALK_VERSION = 1;

constexpr std::size_t MESSAGE_SIZE = 84;   // a request, and the probe reply
constexpr std::size_t REPLY_SIZE = 24;     // a normal reply: the first 24 bytes
constexpr std::size_t NAME_SIZE = 12;      // l_name and r_name
constexpr std::size_t TTY_SIZE = 16;       // r_tty
constexpr std::size_t FULL_NAME_SIZE = 28; // r_name and r_tty together, in the probe reply
constexpr std::uint16_t AF_INET_WIRE = 2;  // the only address family on the wire

// Request types.
enum RequestType : std::uint8_t {
    LEAVE_INVITE = 0,
    LOOK_UP = 1,
    DELETE = 2,
    ANNOUNCE = 3,
    PROBE = 215,
};

// Answer codes.
enum Answer : std::uint8_t {
    SUCCESS = 0,
    NOT_HERE = 1,
    FAILED = 2,
    MACHINE_UNKNOWN = 3,
    PERMISSION_DENIED = 4,
    UNKNOWN_REQUEST = 5,
    BADVERSION = 6,
    BADADDR = 7,
    BADCTLADDR = 8,
    REFUSED_UNLESS_URGENT = 213,
    REFUSED_EVEN_URGENT = 214,
    USER_PRESENT = 215,
    ROBOT_PRESENT = 216,
};

using IdBytes = std::array<std::uint8_t, 4>;

// The probe marker: 215 stored least significant byte first in a request,
// 215 in network order in the probe reply.
constexpr IdBytes PROBE_ID_REQUEST = {0xD7, 0x00, 0x00, 0x00};
constexpr IdBytes PROBE_ID_REPLY = {0x00, 0x00, 0x00, 0xD7};

// A robot delay below this in an ANNOUNCE means "not given" (every Unix talk program sends 0).
constexpr std::uint8_t MIN_ROBOT_DELAY = 3;
constexpr std::uint8_t DEFAULT_ROBOT_DELAY_FROM_WIRE = 70;

} // namespace talk
