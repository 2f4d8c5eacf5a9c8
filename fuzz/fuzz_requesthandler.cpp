// libFuzzer target: the daemon's request handling with its state (invitation table, open prompts) kept across
// inputs, so that sequences of requests are explored, not only single datagrams.
//
// Input: 4 bytes of circumstances, then the datagram.
//   byte 0: caller action (mod 5)
//   byte 1: bit 0 talk robot on, bit 1 sender is local, bits 2-4 sender address 10.77.0.x, bit 5 close every prompt
//           (the prompts' robot timers fired), bit 6 close the sender's prompts (the user pressed Ignore)
//   byte 2: the local robot delay (ltra)
//   byte 3: sender port
#include "daemon/RequestHandler.h"

#include <cstdlib>
#include <map>
#include <string>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const int action = data[0] % 5;
    const std::uint8_t flags = data[1];
    Sender sender;
    sender.ip = 0x0A4D0000u | ((flags >> 2) & 7u);
    sender.port = std::uint16_t(1024 + data[3]);
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
    const Result r = HandleRequest(data + 4, size - 4, sender, action, t, view, g_prompts);

    check(r.replyLength == 0 || r.replyLength == 24 || r.replyLength == 84);
    check((r.replyLength == 0) == (action == ACTION_IGNORE));
    check(t.size() <= t.capacity());
    check(t.indexesConsistent());
    check(t.size() <= before + 1);
    check(t.lastId() == lastBefore || t.lastId() == InvitationTable::nextId(lastBefore));
    if (r.replyLength == 84)
        check(r.reply[4] == 0 && r.reply[5] == 0 && r.reply[6] == 0 && r.reply[7] == 0xD7);
    if (r.ring) {
        check(r.ring->host == host);
        check(r.ring->robotDelay >= 1 && r.ring->robotDelay <= 70);
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
