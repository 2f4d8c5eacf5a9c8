// The login name of the process's user, as the talk protocol carries it.
#pragma once

#include <QString>

#include <optional>

namespace LoginName {

// The buffer the name is asked for with: a name of this many characters or more does not fit.
constexpr int BUFFER_SIZE = 12;
constexpr const char* FALLBACK = "default";

// The user's login name; "default" when it has BUFFER_SIZE or more bytes or cannot be had.
QString current();

// Applies the 12-byte rule to a raw name (empty means failure).
QString fromRaw(const QString& raw);

// The name the system reports for the process's user, before the rule; empty on failure.
QString systemName();

// Tests replace the raw name the platform reports; std::nullopt restores the platform's.
void setRawOverride(std::optional<QString> raw);

} // namespace LoginName
