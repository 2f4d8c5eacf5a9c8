// Caller rules in the profile store: which action the daemon takes for an incoming request.
//
// Caller rules: the action for an incoming request, by the caller's user name ("Caller"), else by the
// caller's dotted address ("Host"), else "Caller"/"Default action". Each section holds "Count",
// "s%i" (the key) and "i%i" (the action code); its rules are those below Count, up to the highest index stored,
// and a gap among them is a rule with an empty key, which matches nobody.
#pragma once

#include <QString>

#include <vector>

class ProfileStore;

enum ActionCode : int {
    ACTION_REFUSE = 0,        // refuse, but let urgent requests through
    ACTION_REFUSE_URGENT = 1, // refuse urgent requests too
    ACTION_IGNORE = 2,        // no answer at all
    ACTION_POPUP = 3,         // ask the user (the default)
    ACTION_CONNECT = 4,       // connect at once
};

struct CallerRule {
    QString key;
    int action = ACTION_POPUP;
    bool operator==(const CallerRule&) const = default;
};

// The two-level structure the Action page edits.
struct CallerRulesTree {
    int defaultAction = ACTION_POPUP;
    std::vector<CallerRule> callers;
    std::vector<CallerRule> hosts;
    bool operator==(const CallerRulesTree&) const = default;
};

namespace CallerRules {
inline const QString CALLER = QStringLiteral("Caller");
inline const QString HOST = QStringLiteral("Host");
inline const QString DEFAULT_ACTION = QStringLiteral("Default action");
inline const QString COUNT = QStringLiteral("Count");

// Letter case of A to Z ignored, nothing else.
bool equalsIgnoringAsciiCase(const QString& a, const QString& b);
} // namespace CallerRules

int ActionFor(const ProfileStore& store, const QString& userName, const QString& hostText);
CallerRulesTree LoadCallerRules(const ProfileStore& store);
void SaveCallerRules(ProfileStore& store, const CallerRulesTree& tree);
