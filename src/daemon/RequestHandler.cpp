// The daemon's request handling (see RequestHandler.h).
#include "daemon/RequestHandler.h"

#include <algorithm>
#include <cstring>

namespace daemonlogic {

namespace {

constexpr std::size_t VERS = 0, TYPE = 1, ANSWER = 2, PAD = 3, ID = 4, ADDR = 8, CTL_ADDR = 24, L_NAME = 44,
                      R_NAME = 56, FULL_NAME = 56;

std::uint16_t family(const talk::Datagram& d, std::size_t at) {
    return static_cast<std::uint16_t>((d[at] << 8) | d[at + 1]);
}

void putId(talk::Datagram& d, std::uint32_t id) {
    d[ID] = static_cast<std::uint8_t>(id >> 24);
    d[ID + 1] = static_cast<std::uint8_t>(id >> 16);
    d[ID + 2] = static_cast<std::uint8_t>(id >> 8);
    d[ID + 3] = static_cast<std::uint8_t>(id);
}

std::uint32_t getId(const talk::Datagram& d) {
    return (std::uint32_t(d[ID]) << 24) | (std::uint32_t(d[ID + 1]) << 16) | (std::uint32_t(d[ID + 2]) << 8) |
           std::uint32_t(d[ID + 3]);
}

std::string nameField(const talk::Datagram& d, std::size_t at) {
    return talk::ControlMessage::readName(d.data() + at, talk::NAME_SIZE);
}

Result reply(const talk::Datagram& buffer, std::size_t length) {
    Result r;
    r.reply = buffer;
    r.replyLength = length;
    return r;
}

void buildProbeReply(talk::Datagram& b, int action, const DaemonView& view) {
    talk::ControlMessage::writeName(b.data() + L_NAME, talk::NAME_SIZE, view.loginName);
    talk::ControlMessage::writeName(b.data() + FULL_NAME, talk::FULL_NAME_SIZE, view.fullName);
    if (view.robotSwitch)
        b[ANSWER] = talk::ROBOT_PRESENT;
    else if (action == ACTION_REFUSE_URGENT)
        b[ANSWER] = talk::REFUSED_EVEN_URGENT;
    else if (action == ACTION_REFUSE)
        b[ANSWER] = talk::REFUSED_UNLESS_URGENT;
    else
        b[ANSWER] = talk::USER_PRESENT;
    std::memcpy(b.data() + ID, talk::PROBE_ID_REPLY.data(), 4);
}

} // namespace

std::string dotted(std::uint32_t ip) {
    return std::to_string(ip >> 24) + '.' + std::to_string((ip >> 16) & 0xFF) + '.' + std::to_string((ip >> 8) & 0xFF) +
           '.' + std::to_string(ip & 0xFF);
}

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

int effectiveRobotDelay(std::uint8_t pad, int ltra) {
    int delay = pad < talk::MIN_ROBOT_DELAY ? talk::DEFAULT_ROBOT_DELAY_FROM_WIRE : pad;
    // The setting is kept within its range elsewhere; a broken profile must still give a delay the pad can carry.
    const int cap = std::clamp(ltra, 1, 255);
    return std::min(delay, cap);
}

Result HandleRequest(const std::uint8_t* data, std::size_t length, const Sender& sender, int action,
                     InvitationTable& table, const DaemonView& view, const PromptQueries& prompts) {
    if (sender.port < bounds::MIN_SENDER_PORT || action == ACTION_IGNORE)
        return {};

    // The request is edited in place into the reply; bytes beyond a short datagram read as zero.
    talk::Datagram b{};
    if (data != nullptr)
        std::memcpy(b.data(), data, std::min(length, talk::MESSAGE_SIZE));

    if (b[VERS] != talk::TALK_VERSION) {
        b[ANSWER] = talk::BADVERSION;
        return reply(b, talk::REPLY_SIZE);
    }
    if (family(b, ADDR) != talk::AF_INET_WIRE) {
        b[ANSWER] = talk::BADADDR;
        return reply(b, talk::REPLY_SIZE);
    }
    if (family(b, CTL_ADDR) != talk::AF_INET_WIRE) {
        b[ANSWER] = talk::BADCTLADDR;
        return reply(b, talk::REPLY_SIZE);
    }
    b[ANSWER] = talk::SUCCESS;

    Result result;
    switch (b[TYPE]) {
    case talk::LOOK_UP:
    case talk::PROBE:
        if (std::memcmp(b.data() + ID, talk::PROBE_ID_REQUEST.data(), 4) == 0) {
            buildProbeReply(b, action, view);
            return reply(b, talk::MESSAGE_SIZE);
        }
        if (const auto* found = table.lookUp(b.data() + L_NAME, b.data() + R_NAME))
            std::memcpy(b.data() + ADDR, found->message.data() + ADDR, 16);
        else
            b[ANSWER] = talk::NOT_HERE;
        break;

    case talk::DELETE: {
        // Answered SUCCESS whether or not anything went: a stranger learns nothing about the table.
        table.removeById(getId(b), InvitationTable::Requester{sender.ip, sender.isLocal});
        result.closePrompts = ClosePromptsEffect{nameField(b, L_NAME), dotted(sender.ip)};
        break;
    }

    case talk::ANNOUNCE: {
        const std::string caller = nameField(b, L_NAME);
        const std::string host = dotted(sender.ip);
        if (caller.empty()) {
            // Nobody to name in the prompt, nobody a robot could call back: it rings nobody.
            b[ANSWER] = talk::FAILED;
            break;
        }
        if (action == ACTION_REFUSE_URGENT) {
            b[ANSWER] = talk::PERMISSION_DENIED;
            break;
        }
        if (!equalsIgnoringAsciiCase(nameField(b, R_NAME), view.loginName)) {
            b[ANSWER] = talk::NOT_HERE;
            break;
        }
        if (prompts.isOpen(caller, host)) {
            // A re-announcement while the user is being asked: nothing more, id as sent.
            return reply(b, talk::REPLY_SIZE);
        }
        if (prompts.openCount() >= bounds::MAX_PROMPTS || prompts.openFrom(host) >= bounds::MAX_PROMPTS_PER_HOST) {
            b[ANSWER] = talk::FAILED;
            break;
        }
        const int delay = effectiveRobotDelay(b[PAD], view.ltra);
        b[PAD] = static_cast<std::uint8_t>(delay);
        result.ring = RingEffect{action, host, caller, delay};
        table.store(b, InvitationTable::Kind::Announce, sender.ip);
        break;
    }

    case talk::LEAVE_INVITE:
        // Callers leave invitations with their own daemon; from elsewhere it could only be a forgery.
        if (!sender.isLocal) {
            b[ANSWER] = talk::PERMISSION_DENIED;
            break;
        }
        table.store(b, InvitationTable::Kind::LeaveInvite, sender.ip);
        break;

    default:
        b[ANSWER] = talk::UNKNOWN_REQUEST;
        break;
    }

    putId(b, table.lastId());
    result.reply = b;
    result.replyLength = talk::REPLY_SIZE;
    return result;
}

} // namespace daemonlogic
