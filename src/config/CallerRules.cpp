// Caller rules in their stored layout.
#include "config/CallerRules.h"

#include "platform/ProfileStore.h"

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

QString keyName(int index) {
    return QStringLiteral("s%1").arg(index);
}

// The rules of a section are those below its Count, up to the first missing key: a broken Count (2147483647) must
// not make the daemon read two billion values for one datagram.
bool hasRule(const ProfileStore& store, const QString& section, int index, int count) {
    return index < count && store.contains(section, keyName(index));
}

bool findRule(const ProfileStore& store, const QString& section, const QString& key, int& action) {
    const int n = store.readInt(section, COUNT, 0);
    for (int i = 0; hasRule(store, section, i, n); ++i) {
        if (equalsIgnoringAsciiCase(store.readString(section, keyName(i)), key)) {
            action = store.readInt(section, QStringLiteral("i%1").arg(i), ACTION_POPUP);
            return true;
        }
    }
    return false;
}

std::vector<CallerRule> loadSection(const ProfileStore& store, const QString& section) {
    std::vector<CallerRule> out;
    const int n = store.readInt(section, COUNT, 0);
    for (int i = 0; hasRule(store, section, i, n); ++i)
        out.push_back({store.readString(section, keyName(i)),
                       store.readInt(section, QStringLiteral("i%1").arg(i), ACTION_POPUP)});
    return out;
}

void saveSection(ProfileStore& store, const QString& section, const std::vector<CallerRule>& rules) {
    store.deleteSection(section);
    int i = 0;
    for (const CallerRule& rule : rules) {
        store.writeString(section, keyName(i), rule.key);
        store.writeInt(section, QStringLiteral("i%1").arg(i), rule.action);
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
