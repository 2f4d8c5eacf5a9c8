// The invitation table and its indexes.
#include "daemon/InvitationTable.h"

#include <cstring>

namespace {
constexpr std::size_t L_NAME_OFFSET = 44;
constexpr std::size_t R_NAME_OFFSET = 56;
constexpr std::size_t CTL_ADDR_OFFSET = 24;
constexpr std::size_t ID_OFFSET = 4;
} // namespace

std::size_t InvitationTable::AddrKeyHash::operator()(const AddrKey& k) const noexcept {
    // FNV-1a over the 16 bytes.
    std::size_t h = 1469598103934665603ull;
    for (std::uint8_t b : k) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

std::string InvitationTable::nameKey(const std::uint8_t* field) {
    std::string key;
    for (std::size_t i = 0; i < talk::NAME_SIZE && field[i] != 0; ++i) {
        char c = static_cast<char>(field[i]);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
        key.push_back(c);
    }
    return key;
}

std::string InvitationTable::pairKeyOf(const std::uint8_t* firstName, const std::uint8_t* secondName) {
    // A NUL separates the two names: neither key holds one.
    std::string key = nameKey(firstName);
    key.push_back('\0');
    key += nameKey(secondName);
    return key;
}

bool InvitationTable::containsControlAddress(const std::uint8_t* ctlAddr) const {
    AddrKey key;
    std::memcpy(key.data(), ctlAddr, key.size());
    return m_byControlAddress.count(key) != 0;
}

bool InvitationTable::store(const talk::Datagram& request, Kind kind, std::uint32_t storedBy) {
    Entry entry;
    std::memcpy(entry.ctlAddr.data(), request.data() + CTL_ADDR_OFFSET, entry.ctlAddr.size());
    if (m_byControlAddress.count(entry.ctlAddr) != 0)
        return false;
    while (m_entries.size() >= m_capacity)
        evictOne();

    m_lastId = nextId(m_lastId);
    entry.invitation.id = m_lastId;
    entry.invitation.kind = kind;
    entry.invitation.message = request;
    entry.invitation.storedBy = storedBy;
    std::memcpy(entry.invitation.message.data() + ID_OFFSET, &m_lastId, sizeof m_lastId);
    // Stored under (r_name, l_name): a LOOK_UP finds it by its own (l_name, r_name).
    entry.pairKey = pairKeyOf(request.data() + R_NAME_OFFSET, request.data() + L_NAME_OFFSET);

    const Seq seq = m_nextSeq++;
    m_byNames[entry.pairKey].insert(seq);
    m_byControlAddress.emplace(entry.ctlAddr, seq);
    m_byId[m_lastId].insert(seq);
    (kind == Kind::Announce ? m_announces : m_leaveInvites).insert(seq);
    m_entries.emplace(seq, std::move(entry));
    return true;
}

const InvitationTable::Invitation* InvitationTable::lookUp(const std::uint8_t* lName, const std::uint8_t* rName) const {
    const auto it = m_byNames.find(pairKeyOf(lName, rName));
    if (it == m_byNames.end() || it->second.empty())
        return nullptr;
    return &m_entries.at(*it->second.begin()).invitation;
}

bool InvitationTable::mayRemove(const Invitation& invitation, const Requester& from) {
    if (invitation.kind == Kind::LeaveInvite)
        return from.isLocal;
    return from.ip == invitation.storedBy;
}

bool InvitationTable::removeById(std::uint32_t id, const Requester& from) {
    const auto it = m_byId.find(id);
    if (it == m_byId.end())
        return false;
    // Ids repeat only after a wrap, so this set holds one entry but for a table that lived through 2^32 ids.
    for (const Seq seq : it->second) {
        const auto entry = m_entries.find(seq);
        if (mayRemove(entry->second.invitation, from)) {
            erase(entry);
            return true;
        }
    }
    return false;
}

void InvitationTable::erase(std::map<Seq, Entry>::iterator it) {
    const Seq seq = it->first;
    const Entry& entry = it->second;
    if (auto n = m_byNames.find(entry.pairKey); n != m_byNames.end()) {
        n->second.erase(seq);
        if (n->second.empty())
            m_byNames.erase(n);
    }
    m_byControlAddress.erase(entry.ctlAddr);
    if (auto i = m_byId.find(entry.invitation.id); i != m_byId.end()) {
        i->second.erase(seq);
        if (i->second.empty())
            m_byId.erase(i);
    }
    m_announces.erase(seq);
    m_leaveInvites.erase(seq);
    m_entries.erase(it);
}

void InvitationTable::evictOne() {
    std::set<Seq>& victims = m_announces.empty() ? m_leaveInvites : m_announces;
    if (victims.empty())
        return;
    erase(m_entries.find(*victims.begin()));
}

std::vector<const InvitationTable::Invitation*> InvitationTable::oldestFirst() const {
    std::vector<const Invitation*> out;
    out.reserve(m_entries.size());
    for (const auto& [seq, entry] : m_entries)
        out.push_back(&entry.invitation);
    return out;
}

bool InvitationTable::indexesConsistent() const {
    if (m_byControlAddress.size() != m_entries.size() || m_announces.size() + m_leaveInvites.size() != m_entries.size())
        return false;
    std::size_t named = 0;
    for (const auto& [key, seqs] : m_byNames) {
        named += seqs.size();
        for (Seq s : seqs) {
            const auto it = m_entries.find(s);
            if (it == m_entries.end() || it->second.pairKey != key)
                return false;
        }
    }
    std::size_t ided = 0;
    for (const auto& [id, seqs] : m_byId) {
        ided += seqs.size();
        for (Seq s : seqs) {
            const auto it = m_entries.find(s);
            if (it == m_entries.end() || it->second.invitation.id != id)
                return false;
        }
    }
    return named == m_entries.size() && ided == m_entries.size() && m_entries.size() <= m_capacity;
}
