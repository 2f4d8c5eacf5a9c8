// Login name: the system's name for the process's user (LoginName_*.cpp), under the 12-byte rule.
#include "platform/LoginName.h"

namespace {
std::optional<QString>& rawOverride() {
    static std::optional<QString> value;
    return value;
}
} // namespace

namespace LoginName {

QString fromRaw(const QString& raw) {
    // The name plus its terminator must fit the 12-byte buffer.
    if (raw.isEmpty() || raw.toUtf8().size() >= BUFFER_SIZE)
        return QString::fromLatin1(FALLBACK);
    return raw;
}

QString current() {
    return fromRaw(rawOverride() ? *rawOverride() : systemName());
}

void setRawOverride(std::optional<QString> raw) {
    rawOverride() = std::move(raw);
}

} // namespace LoginName
