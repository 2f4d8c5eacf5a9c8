// The daemon's invitation table: the requests that LEAVE_INVITE and ringing ANNOUNCE leave here, oldest first.
//
// Look-ups never scan the table: an index by name pair (the invitation's r_name and l_name, letter case of A to Z
// ignored) keeps the entries of each pair oldest first, an index by the 16 bytes of ctl_addr keeps one entry per
// control address, and an index by id serves DELETE. The table is bounded; a full table makes room by evicting
// the oldest ANNOUNCE entry, and the oldest LEAVE_INVITE entry only when no ANNOUNCE entry is left, so a flood
// from the network never pushes out the user's own invitations (those are only accepted from this machine).
//
// Each entry keeps the address of the host that stored it. Removal by id is the owner's: a LEAVE_INVITE entry
// (the user's own) goes only at the request of this machine, an ANNOUNCE entry only at the request of the host
// that announced it, so nobody else can take the user's invitation away by guessing ids.
#pragma once

#include "config/Bounds.h"
#include "protocol/ControlMessage.h"

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class InvitationTable {
public:
    enum class Kind : std::uint8_t { LeaveInvite, Announce };

    struct Invitation {
        std::uint32_t id = 0; // host order
        Kind kind = Kind::LeaveInvite;
        talk::Datagram message{};   // the 84 request bytes; id_num holds `id` in host order
        std::uint32_t storedBy = 0; // the sender's IPv4 address, host order
    };

    // Who asks for a removal: the sender's address, and whether it is one of this machine's own.
    struct Requester {
        std::uint32_t ip = 0; // host order
        bool isLocal = false;
    };

    // Stores a copy of the request, sent from `storedBy`, under the next id. Nothing is stored (and false
    // returned) when an invitation with the same ctl_addr bytes is already here; the last id is unchanged then.
    bool store(const talk::Datagram& request, Kind kind, std::uint32_t storedBy);

    // The oldest invitation whose r_name equals `lName` and whose l_name equals `rName` (the fields of a LOOK_UP
    // request, 12 bytes each, compared up to the first NUL with letter case of A to Z ignored); null when none.
    const Invitation* lookUp(const std::uint8_t* lName, const std::uint8_t* rName) const;

    // Removes the oldest invitation with this id that `from` may remove (a LEAVE_INVITE entry when `from` is this
    // machine, an ANNOUNCE entry when `from` is the host that stored it); false when there is none.
    bool removeById(std::uint32_t id, const Requester& from);
    // Whether `from` may remove this invitation.
    static bool mayRemove(const Invitation& invitation, const Requester& from);

    bool containsControlAddress(const std::uint8_t* ctlAddr) const;

    std::size_t size() const { return m_entries.size(); }
    std::size_t capacity() const { return m_capacity; }
    // The most recently assigned id; 0 before the first.
    std::uint32_t lastId() const { return m_lastId; }

    // Tests: a smaller bound, and a last id near the wrap.
    void setCapacity(std::size_t capacity) { m_capacity = capacity == 0 ? 1 : capacity; }
    void setLastId(std::uint32_t id) { m_lastId = id; }
    // Every invitation, oldest first.
    std::vector<const Invitation*> oldestFirst() const;
    // The consistency of the indexes with the entries (tests and the fuzzer).
    bool indexesConsistent() const;

    // The next id after `id`: 1, 2, ... 4294967295, 1; never 0.
    static std::uint32_t nextId(std::uint32_t id) { return id == 0xFFFFFFFFu ? 1u : id + 1u; }
    // A name field as its index key: the bytes up to the first NUL, A to Z folded to lower case.
    static std::string nameKey(const std::uint8_t* field);

private:
    using Seq = std::uint64_t;
    using AddrKey = std::array<std::uint8_t, 16>;
    struct AddrKeyHash {
        std::size_t operator()(const AddrKey& k) const noexcept;
    };
    struct Entry {
        Invitation invitation;
        std::string pairKey;
        AddrKey ctlAddr{};
    };

    void erase(std::map<Seq, Entry>::iterator it);
    void evictOne();
    static std::string pairKeyOf(const std::uint8_t* firstName, const std::uint8_t* secondName);

    std::map<Seq, Entry> m_entries;                           // by order of storing
    std::unordered_map<std::string, std::set<Seq>> m_byNames; // r_name + l_name of the invitation
    std::unordered_map<AddrKey, Seq, AddrKeyHash> m_byControlAddress;
    std::unordered_map<std::uint32_t, std::set<Seq>> m_byId; // ids repeat only after a wrap
    std::set<Seq> m_announces;
    std::set<Seq> m_leaveInvites;
    Seq m_nextSeq = 0;
    std::uint32_t m_lastId = 0;
    std::size_t m_capacity = bounds::MAX_INVITATIONS;
};
