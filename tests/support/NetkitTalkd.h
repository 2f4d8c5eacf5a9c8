// netkit's talk daemon as a real peer in tests: in.ntalkd under a private openbsd-inetd, answering on one address
// and port, in the test's network namespace or in a named one. Stopped with the object, together with the
// in.ntalkd that inetd started (it keeps the socket for minutes after its last request).
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class NetkitTalkd {
public:
    // Why it cannot run here (not root, a package missing), or empty.
    static QString unavailable();

    NetkitTalkd() = default;
    ~NetkitTalkd();
    NetkitTalkd(const NetkitTalkd&) = delete;
    NetkitTalkd& operator=(const NetkitTalkd&) = delete;

    // Starts in.ntalkd on address:port, run as `user` (user.group), inside network namespace `netns` when one is
    // named, and waits until the port is bound. Empty on success, else the reason.
    QString start(const QString& address, quint16 port, const QString& netns = {},
                  const QString& user = QStringLiteral("nobody.tty"));
    void stop();
    // What inetd has printed so far (its debug output).
    QString output();

private:
    bool bound(const QString& address, quint16 port) const;

    QTemporaryDir m_dir;
    QProcess m_inetd;
    QString m_netns;
    QString m_output;
};
