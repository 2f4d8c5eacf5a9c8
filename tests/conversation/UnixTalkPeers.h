// Real Unix talk peers for interoperability tests: netkit in.ntalkd under inetd on port 518 and the talk clients
// (netkit's, GNU's) in a tmux pane, inside a private network and mount namespace that the test process enters
// before anything else runs (root only). The pane is registered in a private utmp so that talkd rings it.
#pragma once

#include "NetkitTalkd.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class UnixTalkPeers {
public:
    // Called first thing in main(): enters fresh network and mount namespaces, puts a private /run (with an
    // empty utmp) in place and brings the loopback up. Returns the reason when it could not.
    static QString isolate();
    // Called last: takes the private /run away again and removes its folder.
    static void restore();

    ~UnixTalkPeers();
    // Starts inetd with in.ntalkd on port 518 and a tmux pane with a shell; empty string on success.
    QString start();

    // Types into the pane: literal text, or tmux key names (BSpace, C-u, Enter).
    void typeText(const QString& text);
    void typeKeys(const QStringList& keys);
    QString screen() const;
    // Waits until the pane shows `text`.
    bool waitForScreen(const QString& text, int ms = 15000) const;

private:
    QString tmux(const QStringList& args) const;

    NetkitTalkd m_talkd;
    QTemporaryDir m_tmuxDir;
    bool m_tmuxStarted = false;
};
