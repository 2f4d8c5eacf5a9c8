// The program's fixed bounds, in one place. Normal use never meets them; they keep a hostile peer, a flood of
// datagrams or a broken settings file from exhausting memory, the one thread or the user's attention.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bounds {

// Daemon: invitations kept in all (a full table evicts the oldest ringing ANNOUNCE first, the user's own
// LEAVE_INVITE entries last).
constexpr std::size_t MAX_INVITATIONS = 1000;
// Daemon: open prompts in all, and per sender address; an ANNOUNCE beyond either is answered FAILED.
constexpr int MAX_PROMPTS = 32;
constexpr int MAX_PROMPTS_PER_HOST = 8;

// Conversations that prompts start by themselves (the talk robot, Connect at once), at a time.
constexpr int MAX_AUTO_CONVERSATIONS = 16;
// A robot that rings a caller back stops after this many announcements.
constexpr int ROBOT_ANNOUNCE_LIMIT = 4;

// Text a robot message keeps, in UTF-16 code units (1 MiB); the rest is cut off.
constexpr std::ptrdiff_t ROBOT_TEXT_LIMIT = 1024 * 1024;
// Remote text an interactive conversation keeps, in UTF-16 code units (16 MiB): the oldest text goes first, so a
// peer that never stops sending cannot fill the memory.
constexpr std::ptrdiff_t REMOTE_TEXT_LIMIT = 16 * 1024 * 1024;

// Locate: reverse look-ups of stray senders pending at once.
constexpr int MAX_PENDING_ADDRESS_LOOKUPS = 64;

} // namespace bounds
