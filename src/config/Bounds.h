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

// Daemon: a datagram from a source port below this is dropped unanswered. Only daemons and system services send
// from there, and a daemon sends only replies: answering them could set two daemons answering each other.
constexpr std::uint16_t MIN_SENDER_PORT = 1024;
// Daemon: datagrams handled per readiness event of its socket before it returns to the event loop (a flood must
// leave the desktop responsive); the rest follow in the next turn of the loop.
constexpr int MAX_DATAGRAMS_PER_EVENT = 128;
// Daemon: after a batch that took MAX_DATAGRAMS_PER_EVENT datagrams (a flood: talk programs send a few a second),
// its socket rests this long before the next, so that the thread sleeps between batches and wakes at once for a
// key or a conversation's data instead of waiting for the system to give it a turn. The system drops what it cannot
// queue meanwhile, as it drops a flood that any daemon cannot keep up with.
constexpr int FULL_BATCH_PAUSE_MS = 1;

// Conversations: bytes of the TCP stream one conversation takes per readiness event before it returns to the event
// loop (a peer that sends without pause must leave the daemon, the timers and the windows their turn); the rest
// follows in the next turn. Its data socket buffers at most STREAM_READ_BUFFER_SIZE bytes: what a peer sends
// beyond waits in the system's buffers, and then at the peer.
constexpr std::ptrdiff_t MAX_STREAM_BYTES_PER_EVENT = 8 * 1024;
constexpr std::ptrdiff_t STREAM_READ_BUFFER_SIZE = 64 * 1024;
// Conversations: a turn of reading the stream also ends once it has taken this long (microseconds), whatever it
// has read; it reads at least once. Bytes alone bound the work, not the time: a slow pane, a busy machine, or
// the robots of many callers each taking their full share one after the other would still keep the daemon waiting.
constexpr int MAX_STREAM_TIME_PER_EVENT_US = 1000;

// Conversations that prompts start by themselves (the talk robot, Connect at once), at a time, and how many of
// them one caller host may hold.
constexpr int MAX_AUTO_CONVERSATIONS = 16;
constexpr int MAX_AUTO_CONVERSATIONS_PER_HOST = 4;
// A robot that rings a caller back stops after this many announcements.
constexpr int ROBOT_ANNOUNCE_LIMIT = 4;

// Text a robot message keeps, in UTF-16 code units (1 MiB); the rest is cut off. A robot conversation ends as
// soon as its caller has typed this much.
constexpr std::ptrdiff_t ROBOT_TEXT_LIMIT = 1024 * 1024;
// A robot conversation ends by itself, filing what it has, after this long without data from its caller, and
// after this long in all.
constexpr int ROBOT_IDLE_LIMIT_MS = 120 * 1000;
constexpr int ROBOT_CONVERSATION_LIMIT_MS = 15 * 60 * 1000;

// Robot messages waiting in the list: at most this many, and this much text in all (UTF-16 code units, 64 MiB).
// When the list is full the robot takes no more calls.
constexpr int MAX_ROBOT_MESSAGES = 200;
constexpr std::ptrdiff_t ROBOT_MESSAGES_TEXT_LIMIT = 64 * 1024 * 1024;
// Robot messages kept on disk, one file each: a file larger than this (8 MiB) is no message of ours and is set
// aside unread. The largest message, with every code unit of its text written as an escape, stays below it.
constexpr std::ptrdiff_t MAX_STORED_MESSAGE_BYTES = 8 * 1024 * 1024;
// The sender's name and host in a stored message, in UTF-16 code units; a file with a longer one is set aside.
constexpr int MAX_STORED_NAME_LENGTH = 1024;
// The highest id a robot message may have (2^53 - 1: a million messages a second for 285 years). A file named after
// a higher id is no message of ours: it is set aside, and new ids never count up from it, so they never wrap around
// onto a name in use.
constexpr std::uint64_t MAX_MESSAGE_ID = (std::uint64_t(1) << 53) - 1;

// The desktop notification of a filed robot message shows the first line of its text and the sender's name and host:
// at most this many characters of the line, and of each name, in caret form (a longer one is cut and ends with
// "..."). A notification is a glance, and the text is whatever the caller typed.
constexpr int NOTICE_TEXT_LIMIT = 160;
constexpr int NOTICE_NAME_LIMIT = 64;

// Settings file: window positions, sizes and splitter positions, and the sizes of the font records, are kept
// within plus or minus this on load (a 16-bit coordinate), so that no computation with them can overflow.
constexpr int MAX_STORED_COORDINATE = 32767;
// Stored lists (people, aliases, hosts, caller rules): a value with this index or a higher one is no entry, so
// that one stray value of a hand-edited file cannot make a list of two billion empty entries.
constexpr int MAX_LIST_ENTRIES = 10000;
// Remote text an interactive conversation keeps, in UTF-16 code units (16 MiB): the oldest text goes first, so a
// peer that never stops sending cannot fill the memory.
constexpr std::ptrdiff_t REMOTE_TEXT_LIMIT = 16 * 1024 * 1024;
// Received text on screen (the remote pane, the message monitor's text) shows a line in pieces of at most this many
// characters, each its own paragraph: Qt lays a paragraph out whole at every change of it, so a peer's line without
// breaks would cost the square of its length. These display breaks are no part of the text.
constexpr int DISPLAY_LINE_LIMIT = 1000;

// Locate: reverse look-ups of stray senders pending at once.
constexpr int MAX_PENDING_ADDRESS_LOOKUPS = 64;

} // namespace bounds
