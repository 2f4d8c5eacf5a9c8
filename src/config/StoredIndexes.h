// The indexes stored in one section of the profile store, for the section's indexed lists.
//
// A list is stored as a count and values named by a prefix and a decimal index ("%i" in "People", "%s %i" in
// "Aliases", "s%i" in "Caller"). Its length comes from the count and from the indexes actually stored, never from
// the count alone: a gap inside the list is an entry of its own (read as empty), and a count larger than what is
// stored, even 2147483647, adds nothing. Found from the section's value names, once for all lists of the section.
#pragma once

#include <QHash>
#include <QString>

#include <vector>

class ProfileStore;

class StoredIndexes {
public:
    StoredIndexes(const ProfileStore& store, const QString& section);

    // The entries of the list with this prefix and this stored count: the indexes below the count, up to the highest
    // one stored. 0 for a count of 0 or less.
    int length(const QString& prefix, int count) const;
    // The indexes stored with this prefix, in ascending order.
    const std::vector<int>& indexes(const QString& prefix) const;

private:
    // Indexes from bounds::MAX_LIST_ENTRIES on are left out: a single stray value must not make a list that long.
    QHash<QString, std::vector<int>> m_indexes;
};
