// The logic of one search for a person, without sockets or windows.
//
// The logic of one search, without sockets or windows: the rows of the query plan and their states,
// the query cycles, the matching of replies to rows, what each reply means, when the search calls by
// itself, and which rows the user may call. The search object moves the bytes; this class decides.
#pragma once

#include "locate/LocateRow.h"
#include "locate/QueryPlan.h"
#include "locate/WaitingRowIndex.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class LocateEngine {
public:
    static constexpr int NO_ROW = -1;

    // A probe to send (target: a dotted address) or a name to look up (target: the name), for a row.
    struct Step {
        int row = NO_ROW;
        QString target;
        bool operator==(const Step&) const = default;
    };
    struct Cycle {
        std::vector<Step> probes;
        std::vector<Step> lookups;
    };

    LocateEngine(const QString& person, bool urgent, bool autoConnect, QueryPlan plan);

    // Starts the next query cycle: resets the candidate and the count of outstanding replies, sets every
    // row with a dotted address back to waiting, and says what to send and (in cycle 0 only) what to look up.
    Cycle beginCycle();
    int queryNumber() const { return m_query; }
    QString title() const;

    // A name look-up of cycle 0 finished: with the first IPv4 address in dotted form, or empty when it
    // failed. Returns the address to probe, or nothing.
    std::optional<QString> nameLookupFinished(int row, const QString& dotted);

    // The first waiting row, in list order, whose host text begins with `sender` (letter case ignored) or whose
    // host name was looked up to the address `sender`.
    int matchReply(const QString& sender) const { return m_waiting.firstMatching(sender); }
    // Interprets a reply for a row found by matchReply. Returns the row to call at once, or NO_ROW.
    int applyReply(int row, const std::uint8_t* data, std::size_t length);

    // The OK action's rule: a present user, a Unix daemon, a robot, or (urgent) a refusal of non-urgent calls.
    bool canTalkTo(int row) const;
    // The user name for a call: the located user (with the bytes its daemon sent) when a daemon of this
    // program answered, else the alias.
    WireName userFor(int row) const;

    const std::vector<LocateRow>& rows() const { return m_rows; }
    const QueryPlan& plan() const { return m_plan; }
    const QString& person() const { return m_person; }
    bool urgent() const { return m_urgent; }
    bool autoConnect() const { return m_autoConnect; }
    int candidateRow() const { return m_candidate; }
    int outstandingReplies() const { return m_outstanding; }

private:
    void setState(int row, int state);
    bool validRow(int row) const { return row >= 0 && row < int(m_rows.size()); }

    QString m_person;
    bool m_urgent;
    bool m_autoConnect;
    QueryPlan m_plan;
    std::vector<LocateRow> m_rows;
    WaitingRowIndex m_waiting;
    int m_query = -1;
    int m_candidate = NO_ROW;
    int m_outstanding = 0;
};
