// Login name: getpwuid(geteuid()) on Unix, GetUserName on Windows.
#include "platform/LoginName.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace {
std::optional<QString>& rawOverride() {
    static std::optional<QString> value;
    return value;
}

QString platformRawName() {
#ifdef Q_OS_WIN
    char buffer[256];
    DWORD size = sizeof buffer;
    if (!GetUserNameA(buffer, &size))
        return {};
    return QString::fromLocal8Bit(buffer);
#else
    const passwd* pw = getpwuid(geteuid());
    if (pw == nullptr || pw->pw_name == nullptr)
        return {};
    return QString::fromLocal8Bit(pw->pw_name);
#endif
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
    return fromRaw(rawOverride() ? *rawOverride() : platformRawName());
}

void setRawOverride(std::optional<QString> raw) {
    rawOverride() = std::move(raw);
}

} // namespace LoginName
