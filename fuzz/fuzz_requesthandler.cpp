// libFuzzer target: the daemon's request handling with its state (invitation table, open prompts) kept across
// inputs, so that sequences of requests are explored, not only single datagrams.
//
// Input: 4 bytes of circumstances, then the datagram.
//   byte 0: caller action (mod 5)
//   byte 1: bit 0 talk robot on, bit 1 sender is local (one of this machine's addresses), bits 2-4 sender address
//           10.77.0.x, bit 5 close every prompt (the prompts' robot timers fired), bit 6 close the sender's prompts
//           (the user pressed Ignore), bit 7 the datagram's id is replaced by the id of a stored invitation (the
//           one its last id byte picks), so that DELETEs hit
//   byte 2: the local robot delay (ltra)
//   byte 3: sender port: below 16 a privileged port (0, 1, 517, 518, 1023, ...), else 1024 and up
//
// Besides the bounds, the invariants are the sender rules: nothing is answered to a privileged port, and nothing
// changes for it; a DELETE removes at most one invitation, and only one its sender may remove, so the user's own
// LEAVE_INVITE entries (stored from this machine) survive every DELETE from elsewhere; an ANNOUNCE without a
// caller name never rings.
#include "daemon/RequestHandler.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace daemonlogic;

namespace {

class Prompts final : public PromptQueries {
public:
    std::multimap<std::string, std::string> open; // host -> name
    bool isOpen(const std::string& name, const std::string& host) const override {
        auto [a, b] = open.equal_range(host);
        for (auto it = a; it != b; ++it)
            if (equalsIgnoringAsciiCase(it->second, name))
                return true;
        return false;
    }
    int openCount() const override { return int(open.size()); }
    int openFrom(const std::string& host) const override { return int(open.count(host)); }
};

void check(bool condition) {
    if (!condition)
        std::abort();
}

InvitationTable& table() {
    static InvitationTable t = [] {
        InvitationTable x;
        x.setCapacity(64); // small, so that eviction is reached often
        return x;
    }();
    return t;
}

Prompts g_prompts;

constexpr std::array<std::uint16_t, 16> PRIVILEGED_PORTS = {0,   1,   7,   13,  53,  111, 123,  137,
                                                            512, 513, 514, 517, 518, 800, 1000, 1023};

std::uint16_t senderPort(std::uint8_t code) {
    return code < PRIVILEGED_PORTS.size() ? PRIVILEGED_PORTS[code] : std::uint16_t(1024 + code);
}

// Every invitation, as (id, kind, stored by), oldest first.
struct Entry {
    std::uint32_t id;
    InvitationTable::Kind kind;
    std::uint32_t storedBy;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> entries(const InvitationTable& t) {
    std::vector<Entry> out;
    for (const auto* inv : t.oldestFirst())
        out.push_back({inv->id, inv->kind, inv->storedBy});
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const int action = data[0] % 5;
    const std::uint8_t flags = data[1];
    Sender sender;
    sender.ip = 0x0A4D0000u | ((flags >> 2) & 7u);
    sender.port = senderPort(data[3]);
    sender.isLocal = (flags & 2) != 0;
    DaemonView view{"tester", "A full name longer than twenty-eight bytes", (flags & 1) != 0, data[2]};
    const std::string host = dotted(sender.ip);
    if (flags & 0x20)
        g_prompts.open.clear();
    if (flags & 0x40)
        g_prompts.open.erase(host);

    InvitationTable& t = table();
    const std::size_t before = t.size();
    const std::uint32_t lastBefore = t.lastId();
    const std::vector<Entry> entriesBefore = entries(t);
    std::vector<std::uint8_t> datagram(data + 4, data + size);
    if ((flags & 0x80) && datagram.size() >= 8 && !entriesBefore.empty()) {
        const std::uint32_t id = entriesBefore[datagram[7] % entriesBefore.size()].id;
        for (int i = 0; i < 4; ++i)
            datagram[std::size_t(4 + i)] = std::uint8_t(id >> (24 - 8 * i));
    }
    const std::uint8_t type = datagram.size() > 1 ? datagram[1] : 0;
    const Result r = HandleRequest(datagram.data(), datagram.size(), sender, action, t, view, g_prompts);
    const std::vector<Entry> entriesAfter = entries(t);

    if (sender.port < bounds::MIN_SENDER_PORT) {
        // Dropped unanswered, without any effect.
        check(r.replyLength == 0 && !r.ring && !r.closePrompts);
        check(entriesAfter == entriesBefore && t.lastId() == lastBefore);
    }
    if (type == talk::DELETE && r.replyLength != 0) {
        // At most one invitation goes, and only one this sender may remove; nothing is added.
        check(entriesAfter.size() + 1 >= entriesBefore.size() && entriesAfter.size() <= entriesBefore.size());
        std::size_t kept = 0;
        for (const Entry& e : entriesBefore) {
            if (kept < entriesAfter.size() && entriesAfter[kept] == e) {
                ++kept;
                continue;
            }
            check(e.kind == InvitationTable::Kind::LeaveInvite ? sender.isLocal : e.storedBy == sender.ip);
        }
        check(kept == entriesAfter.size());
    }
    if (r.ring)
        check(!r.ring->name.empty());

    check(r.replyLength == 0 || r.replyLength == 24 || r.replyLength == 84);
    check((r.replyLength == 0) == (action == ACTION_IGNORE || sender.port < bounds::MIN_SENDER_PORT));
    check(t.size() <= t.capacity());
    check(t.indexesConsistent());
    check(t.size() <= before + 1);
    check(t.lastId() == lastBefore || t.lastId() == InvitationTable::nextId(lastBefore));
    if (r.replyLength == 84)
        check(r.reply[4] == 0 && r.reply[5] == 0 && r.reply[6] == 0 && r.reply[7] == 0xD7);
    if (r.ring) {
        check(r.ring->host == host);
        // The caller's pad (70 for one below 3), capped at the local delay, which the handler keeps within 1 to 255.
        check(r.ring->robotDelay >= 1 && r.ring->robotDelay <= std::clamp(view.ltra, 1, 255));
        check(r.reply[3] == r.ring->robotDelay);
        check(!g_prompts.isOpen(r.ring->name, host));
        g_prompts.open.emplace(host, r.ring->name);
    }
    check(g_prompts.openCount() <= bounds::MAX_PROMPTS);
    check(g_prompts.openFrom(host) <= bounds::MAX_PROMPTS_PER_HOST);
    if (r.closePrompts) {
        auto [a, b] = g_prompts.open.equal_range(r.closePrompts->host);
        for (auto it = a; it != b;)
            it = equalsIgnoringAsciiCase(it->second, r.closePrompts->name) ? g_prompts.open.erase(it) : std::next(it);
    }
    return 0;
}
