// Caller rules in their stored layout.
#include "config/CallerRules.h"

#include "config/StoredIndexes.h"
#include "platform/ProfileStore.h"

#include <algorithm>

namespace CallerRules {

bool equalsIgnoringAsciiCase(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

} // namespace CallerRules

using namespace CallerRules;

namespace {

const QString KEY_PREFIX = QStringLiteral("s");
const QString ACTION_PREFIX = QStringLiteral("i");

QString keyName(int index) {
    return KEY_PREFIX + QString::number(index);
}
QString actionName(int index) {
    return ACTION_PREFIX + QString::number(index);
}

// The daemon asks for every incoming request: only the keys actually stored are read, however large the Count or
// the gaps between them. A gap, like an empty key, matches nobody.
bool findRule(const ProfileStore& store, const QString& section, const QString& key, int& action) {
    const int count = store.readInt(section, COUNT, 0);
    const StoredIndexes stored(store, section);
    for (const int i : stored.indexes(KEY_PREFIX)) {
        if (i >= count)
            break;
        const QString ruleKey = store.readString(section, keyName(i));
        if (!ruleKey.isEmpty() && equalsIgnoringAsciiCase(ruleKey, key)) {
            action = store.readInt(section, actionName(i), ACTION_POPUP);
            return true;
        }
    }
    return false;
}

// The rules below Count, up to the highest index stored with a key or a code; a gap is an empty rule.
std::vector<CallerRule> loadSection(const ProfileStore& store, const QString& section) {
    const StoredIndexes stored(store, section);
    const int count = store.readInt(section, COUNT, 0);
    const int n = std::max(stored.length(KEY_PREFIX, count), stored.length(ACTION_PREFIX, count));
    std::vector<CallerRule> out;
    for (int i = 0; i < n; ++i)
        out.push_back({store.readString(section, keyName(i)), store.readInt(section, actionName(i), ACTION_POPUP)});
    return out;
}

void saveSection(ProfileStore& store, const QString& section, const std::vector<CallerRule>& rules) {
    store.deleteSection(section);
    int i = 0;
    for (const CallerRule& rule : rules) {
        store.writeString(section, keyName(i), rule.key);
        store.writeInt(section, actionName(i), rule.action);
        ++i;
    }
    if (i > 0)
        store.writeInt(section, COUNT, i);
}

} // namespace

int ActionFor(const ProfileStore& store, const QString& userName, const QString& hostText) {
    int action = ACTION_POPUP;
    if (findRule(store, CALLER, userName, action))
        return action;
    if (findRule(store, HOST, hostText, action))
        return action;
    return store.readInt(CALLER, DEFAULT_ACTION, ACTION_POPUP);
}

CallerRulesTree LoadCallerRules(const ProfileStore& store) {
    CallerRulesTree tree;
    tree.defaultAction = store.readInt(CALLER, DEFAULT_ACTION, ACTION_POPUP);
    tree.callers = loadSection(store, CALLER);
    tree.hosts = loadSection(store, HOST);
    return tree;
}

void SaveCallerRules(ProfileStore& store, const CallerRulesTree& tree) {
    saveSection(store, CALLER, tree.callers);
    saveSection(store, HOST, tree.hosts);
    store.writeInt(CALLER, DEFAULT_ACTION, tree.defaultAction);
    store.flush();
}
