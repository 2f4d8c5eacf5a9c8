// The first IPv4 address of this machine's own host name, looked up once, in the background.
//
// The name service may take seconds to answer, and the daemon shares the one thread with everything else, so
// nothing waits for it: the look-up starts at program start, the address is used once it is known, and until
// then (or when the look-up failed) callers get a null address and fall back on their own. A failed look-up is
// tried again the next time the address is asked for; at most one look-up runs at a time.
#pragma once

#include <QHostAddress>
#include <QString>

#include <functional>

class QHostInfo;

class OwnHostAddress {
public:
    // Starts looking up `name`; `done` is called later, on this thread, with the result.
    using LookUp = std::function<void(const QString& name, std::function<void(const QHostInfo&)> done)>;

    // With no look-up given, QHostInfo::lookupHost does it (in the application's event loop).
    explicit OwnHostAddress(LookUp lookUp = {}, QString hostName = {});

    OwnHostAddress(const OwnHostAddress&) = delete;
    OwnHostAddress& operator=(const OwnHostAddress&) = delete;

    // The address when it is known, else null (and a look-up starts, unless one is running).
    QHostAddress address();
    // Starts a look-up unless the address is known or a look-up is running.
    void start();

    bool isKnown() const { return !m_known.isNull(); }
    bool isLookingUp() const { return m_running; }
    int lookUpsStarted() const { return m_started; }

    // The program's one instance, for this machine's name (QHostInfo::localHostName()).
    static OwnHostAddress& instance();

private:
    void finished(const QHostInfo& info);

    LookUp m_lookUp;
    QString m_hostName;
    QHostAddress m_known;
    bool m_running = false;
    int m_started = 0;
};
