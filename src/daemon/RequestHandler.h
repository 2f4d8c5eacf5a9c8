// The daemon's request handling: one control datagram in, the reply and its effects out.
//
// The daemon's answer to one control datagram, as a function: request bytes, sender, the caller's action code
// and the daemon's state in; reply bytes and effects out. The socket only moves bytes (CTalkDaemon).
//
// A datagram from a source port below 1024 is dropped unanswered: talk programs send from unprivileged ports, and
// what comes from a privileged one is a daemon's reply or a forgery made to look like one. Answering it could set
// two daemons answering each other for ever.
//
// Checks come first (version, then the two address families), then the request type decides:
//   LOOK_UP / PROBE   with PROBE_ID: the 84-byte probe reply (who is here, and will they talk); otherwise the
//                     oldest invitation from the addressee to the sender, or NOT_HERE
//   DELETE            removes the invitation with the given id if the sender may (the user's own LEAVE_INVITE
//                     entries only from this machine, an ANNOUNCE entry only from its announcer); always
//                     SUCCESS; the sender's open prompts close
//   ANNOUNCE          rings the local user (a prompt) and keeps the request as an invitation; FAILED without a
//                     caller name
//   LEAVE_INVITE      keeps the request as an invitation; only from this machine
// A caller whose action is "ignore all requests" gets no reply at all.
#pragma once

#include "config/Bounds.h"
#include "daemon/InvitationTable.h"
#include "protocol/ControlMessage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace daemonlogic {

constexpr int ACTION_REFUSE = 0;
constexpr int ACTION_REFUSE_URGENT = 1;
constexpr int ACTION_IGNORE = 2;

// What the handler asks about the open prompts.
class PromptQueries {
public:
    virtual ~PromptQueries() = default;
    // A prompt for this caller name and host is open (letter case ignored).
    virtual bool isOpen(const std::string& name, const std::string& host) const = 0;
    virtual int openCount() const = 0;
    virtual int openFrom(const std::string& host) const = 0;
};

// The daemon's own values the handler reads.
struct DaemonView {
    std::string loginName; // at most 11 bytes
    std::string fullName;  // the setting fullname
    bool robotSwitch = false;
    int ltra = 7; // the local robot delay, seconds
};

struct Sender {
    std::uint32_t ip = 0; // host order
    std::uint16_t port = 0;
    // An address of this machine: LEAVE_INVITE is refused from anywhere else, and DELETE removes the user's own
    // invitations only from here.
    bool isLocal = false;
};

// Ring the local user: open a prompt for (action, host, name) with this robot delay.
struct RingEffect {
    int action = 0;
    std::string host; // dotted
    std::string name; // the request's l_name
    int robotDelay = 0;
};

// Close every open prompt of this caller.
struct ClosePromptsEffect {
    std::string name;
    std::string host;
};

struct Result {
    std::size_t replyLength = 0; // 0: no reply; else 24 or 84
    talk::Datagram reply{};
    std::optional<RingEffect> ring;
    std::optional<ClosePromptsEffect> closePrompts;
};

Result HandleRequest(const std::uint8_t* data, std::size_t length, const Sender& sender, int action,
                     InvitationTable& table, const DaemonView& view, const PromptQueries& prompts);

// "a.b.c.d" of a host-order address.
std::string dotted(std::uint32_t ip);
// Letter case of A to Z ignored.
bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b);
// The robot delay an ANNOUNCE asks for, as this daemon takes it: below 3 is 70, capped at the local delay.
int effectiveRobotDelay(std::uint8_t pad, int ltra);

} // namespace daemonlogic
