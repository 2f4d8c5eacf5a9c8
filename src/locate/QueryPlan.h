// The query plan of a search: the (alias, host) pairs it probes.
//
// The query plan of a search: one (alias, host text) entry per probe target, in address-book order,
// with address ranges expanded.
#pragma once

#include <QString>

#include <vector>

class ProfileStore;

struct PlanEntry {
    QString alias;
    QString host;
    // An address range that cannot be read: its row shows the text and says so, and is never probed.
    bool badRange = false;
    bool operator==(const PlanEntry&) const = default;
};

struct QueryPlan {
    std::vector<PlanEntry> entries;
    int aliasCount = 0;
    int hostCount = 0; // host texts read, before expansion

    // Reads the person's aliases and their hosts (index 0 up to the first missing or empty value).
    static QueryPlan Build(const ProfileStore& store, const QString& person);
    // Appends the entries of one host text: a range gives one per address (none when its last number is not
    // above its first; one entry marked bad when it cannot be read), anything else itself.
    void addHost(const QString& alias, const QString& hostText);

    // The box a search shows for this plan, or empty when it has aliases with hosts.
    QString problem() const;
};
