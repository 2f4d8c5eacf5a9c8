// An index of a search's rows waiting for a reply, by the start of their host text.
//
// Finds, among the rows waiting for a reply, the first in list order whose host text begins with a
// given text (letter case ignored), without looking at every row.
//
// The rows' host texts never change during a search, so they are sorted once; the rows whose text
// begins with a prefix then form one stretch of that order, found by two binary searches, and a
// segment tree over the order gives the smallest waiting row index within the stretch. A reply costs
// O(log n) whatever the number of rows, and so does a change of a row's waiting state.
//
// A row whose host name was looked up also takes the replies from that address: the reverse name of the
// address (what the sender's address looks up to) need not begin with the name the user wrote.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <set>
#include <vector>

class WaitingRowIndex {
public:
    WaitingRowIndex() = default;
    explicit WaitingRowIndex(const QStringList& hostTexts);

    void setWaiting(int row, bool waiting);
    bool isWaiting(int row) const;
    // The first waiting row whose host text begins with `prefix`, or -1.
    int firstWithPrefix(const QString& prefix) const;
    // The row's host name was looked up to `address` (dotted); it keeps it for the rest of the search.
    void setAddress(int row, const QString& address);
    // The first waiting row whose host text begins with `sender` or whose address is `sender`, or -1.
    int firstMatching(const QString& sender) const;
    int size() const { return int(m_rowAt.size()); }

private:
    static constexpr int NONE = -1;
    int minimumIn(int from, int to) const;     // [from, to) of the sorted order
    std::vector<QString> m_sortedKeys;         // case-folded host texts in sorted order
    std::vector<int> m_rowAt;                  // sorted position -> row
    std::vector<int> m_positionOf;             // row -> sorted position
    std::vector<int> m_tree;                   // segment tree of waiting row indexes (INT_MAX = none)
    std::vector<QString> m_addressOf;          // row -> the address its name was looked up to, or empty
    QHash<QString, std::set<int>> m_waitingAt; // address -> the waiting rows looked up to it
    int m_leaves = 0;
};
