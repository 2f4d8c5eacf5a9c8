// Indexes of a section's lists, from its value names.
#include "config/StoredIndexes.h"

#include "config/Bounds.h"
#include "platform/ProfileStore.h"

#include <algorithm>

StoredIndexes::StoredIndexes(const ProfileStore& store, const QString& section) {
    for (const QString& name : store.valueNames(section)) {
        qsizetype start = name.size();
        while (start > 0 && name[start - 1] >= u'0' && name[start - 1] <= u'9')
            --start;
        // Only the index as the lists write it (QString::number) names an entry: "007" is not "7". No prefix ends
        // in a digit ("", "s", "i", and names followed by a space), so the digits at the end are the whole index.
        const QStringView digits = QStringView(name).mid(start);
        if (digits.isEmpty() || (digits.size() > 1 && digits.front() == u'0'))
            continue;
        bool ok = false;
        const int index = digits.toInt(&ok);
        if (ok && index < bounds::MAX_LIST_ENTRIES)
            m_indexes[name.left(start)].push_back(index);
    }
    for (std::vector<int>& list : m_indexes)
        std::sort(list.begin(), list.end());
}

int StoredIndexes::length(const QString& prefix, int count) const {
    const std::vector<int>& stored = indexes(prefix);
    if (stored.empty())
        return 0;
    return std::clamp(count, 0, stored.back() + 1);
}

const std::vector<int>& StoredIndexes::indexes(const QString& prefix) const {
    static const std::vector<int> none;
    const auto it = m_indexes.constFind(prefix);
    return it == m_indexes.cend() ? none : *it;
}
