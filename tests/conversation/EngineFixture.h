// What the engine tests share: a temporary profile and core, scripted message boxes, a scripted remote and
// local daemon on the loopback, and the check that every conversation is gone with its sockets at the end.
#pragma once

#include "FakeAppContext.h"
#include "ScriptedDaemon.h"
#include "ScriptedMessageBoxes.h"
#include "TempProfile.h"

#include "conversation/ConversationEngine.h"

#include <QPointer>
#include <QTcpSocket>

#include <memory>

inline const QString HOST = QStringLiteral("127.0.0.1");
constexpr int WAIT = 5000;

class EngineFixture : public QObject {
public:
    // Runs one look-up first: the resolver's thread keeps descriptors open that later counts must not see.
    bool warmUp();
    void setUp();
    // Ends what is left, waits until every conversation is deleted and the descriptors are back; false (with
    // `failure` set) otherwise.
    bool tearDown();

    // A conversation with a typed user name, or with one as it came from the network.
    ConversationEngine* make(int mode, const QString& host, const QString& user);
    ConversationEngine* make(int mode, const QString& host, const WireName& user);
    // Caller role up to the connected stream, with `announces` ANNOUNCEs sent first; returns the peer.
    QTcpSocket* connectAsCallee(ConversationEngine* e, int announces = 1);
    // Caller role up to the invitation left, with `announces` ANNOUNCEs sent.
    bool announce(ConversationEngine* e, int announces = 1);
    // A program at `from` connects to the conversation's listener (null when the connection was never made).
    QTcpSocket* connectFrom(ConversationEngine* e, const QHostAddress& from);

    std::unique_ptr<TempProfile> profile;
    std::unique_ptr<FakeAppContext> core;
    std::unique_ptr<ScriptedMessageBoxes> boxes;
    std::unique_ptr<ScriptedDaemon> remote;
    std::unique_ptr<ScriptedDaemon> local;
    QString failure;

private:
    static int openFiles();
    QList<QPointer<ConversationEngine>> m_engines;
    int m_openFiles = 0;
};
