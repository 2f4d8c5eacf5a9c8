// An environment variable set for the life of the object, then put back as it was (unset when it was unset): no later
// test of the same program finds it, nor a folder it named that has gone since.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const QByteArray& value) : m_name(name) {
        if (qEnvironmentVariableIsSet(name))
            m_previous = qgetenv(name);
        qputenv(name, value);
    }
    ~EnvironmentOverride() {
        if (m_previous)
            qputenv(m_name, *m_previous);
        else
            qunsetenv(m_name);
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_previous;
};
