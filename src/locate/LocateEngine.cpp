// The search logic: cycles, reply matching and interpretation, the call rules.
#include "locate/LocateEngine.h"

#include "locate/LocateTexts.h"
#include "locate/ReplyInterpretation.h"
#include "platform/LocalAddress.h"
#include "protocol/ProtocolConstants.h"

#include <QStringList>

namespace {
QStringList hostTexts(const QueryPlan& plan) {
    QStringList out;
    out.reserve(qsizetype(plan.entries.size()));
    for (const PlanEntry& e : plan.entries)
        out << e.host;
    return out;
}

WireName unknownUser() {
    return WireName::typed(LocateTexts::UNKNOWN_USER);
}
} // namespace

LocateEngine::LocateEngine(const QString& person, bool urgent, bool autoConnect, QueryPlan plan)
    : m_person(person), m_urgent(urgent), m_autoConnect(autoConnect), m_plan(std::move(plan)),
      m_waiting(hostTexts(m_plan)) {
    m_rows.reserve(m_plan.entries.size());
    for (const PlanEntry& e : m_plan.entries) {
        if (e.badRange)
            m_rows.push_back({e.host, e.alias, LocateTexts::INVALID_RANGE, unknownUser(), LocateRow::BAD_RANGE});
        else
            m_rows.push_back({e.host, e.alias, QString(), unknownUser(), LocateRow::LOOKING_UP});
    }
}

QString LocateEngine::title() const {
    return LocateTexts::title(m_person, m_query);
}

void LocateEngine::setState(int row, int state) {
    m_rows[std::size_t(row)].state = state;
    m_waiting.setWaiting(row, state == LocateRow::WAITING);
}

LocateEngine::Cycle LocateEngine::beginCycle() {
    ++m_query;
    m_candidate = NO_ROW;
    m_outstanding = 0;
    Cycle cycle;
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const QString& host = m_plan.entries[std::size_t(i)].host;
        LocateRow& row = m_rows[std::size_t(i)];
        if (m_plan.entries[std::size_t(i)].badRange)
            continue;
        if (!LocalAddress::parseDotted(host).isNull()) {
            row.locatedUser = unknownUser();
            row.status = LocateTexts::SCANNING;
            setState(i, LocateRow::WAITING);
            ++m_outstanding;
            cycle.probes.push_back({i, host});
        } else if (m_query == 0) {
            row.status = LocateTexts::LOOKING_UP;
            setState(i, LocateRow::LOOKING_UP);
            cycle.lookups.push_back({i, host});
        }
        // A name in a later cycle: its look-up failed, or has not finished; it is not probed.
    }
    return cycle;
}

std::optional<QString> LocateEngine::nameLookupFinished(int row, const QString& dotted) {
    if (!validRow(row))
        return std::nullopt;
    LocateRow& r = m_rows[std::size_t(row)];
    if (dotted.isEmpty()) {
        r.status = LocateTexts::INVALID_HOST;
        setState(row, LocateRow::LOOKUP_FAILED);
        return std::nullopt;
    }
    // Later cycles probe the address directly; the row keeps showing the name, and replies from the address
    // are its own whatever the address's reverse name.
    m_plan.entries[std::size_t(row)].host = dotted;
    m_waiting.setAddress(row, dotted);
    r.status = LocateTexts::SCANNING;
    r.locatedUser = unknownUser();
    setState(row, LocateRow::WAITING);
    ++m_outstanding;
    return dotted;
}

int LocateEngine::applyReply(int row, const std::uint8_t* data, std::size_t length) {
    if (!validRow(row))
        return NO_ROW;
    const ReplyInterpretation meaning = ReplyInterpretation::interpret(data, length, m_urgent);
    LocateRow& r = m_rows[std::size_t(row)];
    setState(row, meaning.state);
    if (meaning.locatedUser)
        r.locatedUser = *meaning.locatedUser;
    r.status = meaning.status;
    if (meaning.call == ReplyInterpretation::Call::AtOnce && m_autoConnect)
        return row;
    if (meaning.call == ReplyInterpretation::Call::Candidate)
        m_candidate = row;
    if (m_autoConnect) {
        --m_outstanding;
        // Every probe of the cycle answered, and no user present: the robot that answered last.
        if (m_outstanding == 0 && m_candidate != NO_ROW)
            return m_candidate;
    }
    return NO_ROW;
}

bool LocateEngine::canTalkTo(int row) const {
    if (!validRow(row))
        return false;
    const int s = m_rows[std::size_t(row)].state;
    return s == talk::USER_PRESENT || s == talk::SUCCESS || s == talk::NOT_HERE || s == talk::ROBOT_PRESENT ||
           (s == talk::REFUSED_UNLESS_URGENT && m_urgent);
}

WireName LocateEngine::userFor(int row) const {
    if (!validRow(row))
        return {};
    const LocateRow& r = m_rows[std::size_t(row)];
    return r.state != 0 ? r.locatedUser : WireName::typed(r.alias);
}
