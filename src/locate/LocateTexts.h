// The texts a search shows, each exactly as the user sees it.
#pragma once

#include <QString>

namespace LocateTexts {

inline const QString NO_ALIASES = QStringLiteral("Unable to locate this person. No aliases specified.");
inline const QString NO_HOSTS = QStringLiteral("Unable to locate this person. No hosts specified.");

inline const QString UNKNOWN_USER = QStringLiteral("Unknown");
inline const QString SCANNING = QStringLiteral("Scanning for remote talk daemon...");
inline const QString LOOKING_UP = QStringLiteral("Looking up host...");
inline const QString INVALID_HOST = QStringLiteral("Invalid host name.");
inline const QString INVALID_RANGE = QStringLiteral("Invalid address range.");
inline const QString UNIX_DAEMON = QStringLiteral("UNIX style talk daemon detected");
inline const QString REFUSED_UNLESS_URGENT = QStringLiteral("Rejected (urgent accepted).");
inline const QString REFUSED_EVEN_URGENT = QStringLiteral("Rejected (even urgent).");
// %1: the login name the daemon reported.
inline const QString USER_PRESENT = QStringLiteral("User %1 detected.");
inline const QString ROBOT_PRESENT = QStringLiteral("%1's talk robot detected.");

// "Murmelo: looking for " person " (query #" n ")".
inline QString title(const QString& person, int query) {
    // One call: a "%1" in the person's name stays text.
    return QStringLiteral("Murmelo: looking for %1 (query #%2)").arg(person, QString::number(query));
}

} // namespace LocateTexts
