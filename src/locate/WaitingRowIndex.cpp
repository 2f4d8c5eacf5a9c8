// The prefix index of waiting rows.
#include "locate/WaitingRowIndex.h"

#include <algorithm>
#include <climits>
#include <numeric>

WaitingRowIndex::WaitingRowIndex(const QStringList& hostTexts) {
    const int n = int(hostTexts.size());
    std::vector<QString> keys;
    keys.reserve(std::size_t(n));
    for (const QString& h : hostTexts)
        keys.push_back(h.toCaseFolded());
    m_rowAt.resize(std::size_t(n));
    std::iota(m_rowAt.begin(), m_rowAt.end(), 0);
    std::stable_sort(m_rowAt.begin(), m_rowAt.end(),
                     [&](int a, int b) { return keys[std::size_t(a)] < keys[std::size_t(b)]; });
    m_positionOf.resize(std::size_t(n));
    m_sortedKeys.reserve(std::size_t(n));
    for (int pos = 0; pos < n; ++pos) {
        m_positionOf[std::size_t(m_rowAt[std::size_t(pos)])] = pos;
        m_sortedKeys.push_back(keys[std::size_t(m_rowAt[std::size_t(pos)])]);
    }
    m_leaves = 1;
    while (m_leaves < n)
        m_leaves *= 2;
    m_tree.assign(std::size_t(2 * m_leaves), INT_MAX);
    m_addressOf.resize(std::size_t(n));
}

void WaitingRowIndex::setWaiting(int row, bool waiting) {
    if (row < 0 || row >= size())
        return;
    std::size_t node = std::size_t(m_leaves + m_positionOf[std::size_t(row)]);
    m_tree[node] = waiting ? row : INT_MAX;
    for (node /= 2; node >= 1; node /= 2)
        m_tree[node] = std::min(m_tree[2 * node], m_tree[2 * node + 1]);
    const QString& address = m_addressOf[std::size_t(row)];
    if (address.isEmpty())
        return;
    if (waiting) {
        m_waitingAt[address].insert(row);
    } else if (auto rows = m_waitingAt.find(address); rows != m_waitingAt.end()) {
        rows->erase(row);
        if (rows->empty())
            m_waitingAt.erase(rows);
    }
}

void WaitingRowIndex::setAddress(int row, const QString& address) {
    if (row < 0 || row >= size())
        return;
    const bool waiting = isWaiting(row);
    setWaiting(row, false);
    m_addressOf[std::size_t(row)] = address;
    setWaiting(row, waiting);
}

int WaitingRowIndex::firstMatching(const QString& sender) const {
    const int byPrefix = firstWithPrefix(sender);
    const auto rows = m_waitingAt.constFind(sender);
    if (rows == m_waitingAt.cend())
        return byPrefix;
    const int byAddress = *rows->begin();
    return byPrefix == NONE ? byAddress : std::min(byPrefix, byAddress);
}

bool WaitingRowIndex::isWaiting(int row) const {
    if (row < 0 || row >= size())
        return false;
    return m_tree[std::size_t(m_leaves + m_positionOf[std::size_t(row)])] != INT_MAX;
}

int WaitingRowIndex::minimumIn(int from, int to) const {
    int best = INT_MAX;
    // Bottom-up over the half-open leaf range.
    for (std::size_t l = std::size_t(from + m_leaves), r = std::size_t(to + m_leaves); l < r; l /= 2, r /= 2) {
        if (l & 1)
            best = std::min(best, m_tree[l++]);
        if (r & 1)
            best = std::min(best, m_tree[--r]);
    }
    return best;
}

int WaitingRowIndex::firstWithPrefix(const QString& prefix) const {
    const QString key = prefix.toCaseFolded();
    // Keys that begin with `key` sort right after every key below it, and all together.
    const auto begin = std::lower_bound(m_sortedKeys.begin(), m_sortedKeys.end(), key);
    const auto end =
        std::partition_point(begin, m_sortedKeys.end(), [&](const QString& k) { return k.startsWith(key); });
    if (begin == end)
        return NONE;
    const int best = minimumIn(int(begin - m_sortedKeys.begin()), int(end - m_sortedKeys.begin()));
    return best == INT_MAX ? NONE : best;
}
