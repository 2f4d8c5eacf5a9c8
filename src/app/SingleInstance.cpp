// The session's one copy: the lock, the claim and the local server. The system's part (the runtime folder, the
// hand-over before Qt's event loop exists, the peer's user) is in SingleInstance_unix.cpp and SingleInstance_win.cpp.
#include "app/SingleInstance.h"

#include "platform/MessageBoxService.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>

#include <cstdio>

SingleInstance::SingleInstance(const QString& folder, const QString& key, QObject* parent) : QObject(parent) {
    if (folder.isEmpty())
        return;
    // Names short enough for a socket address in any runtime folder, different for every key.
    const QString name =
        QStringLiteral("zuno-") +
        QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
    m_socketPath = serverName(folder, name);
    m_lockPath = folder + u'/' + name + QStringLiteral(".lock");
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // The first copy holds the lock as long as it runs: only a holder that is gone makes it stale.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::setWaits(int forFirstMs, int forAnswerMs, int clientMs) {
    m_waitForFirstMs = forFirstMs;
    m_waitForAnswerMs = forAnswerMs;
    m_clientMs = clientMs;
}

SingleInstance::Claim SingleInstance::claim(StartCommand::Command command) {
    if (!m_lock)
        return Claim::Alone;
    QDeadlineTimer deadline(m_waitForFirstMs);
    bool brokeStale = false;
    for (;;) {
        switch (handOver(command)) {
        case Reach::HandedOver:
            return Claim::HandedOver;
        case Reach::NoAnswer:
            return Claim::NoAnswer;
        case Reach::Nobody:
            break;
        }
        if (m_lock->tryLock(0))
            return Claim::First;
        if (m_lock->error() != QLockFile::LockFailedError)
            return Claim::Alone;
        if (deadline.hasExpired()) {
            // A copy listens as soon as its application object exists: a lock nobody served for the whole wait is
            // stale, unless a live process still holds it. Whoever takes the name now serves within a new wait.
            if (brokeStale || !breakStaleLock())
                return Claim::Alone;
            brokeStale = true;
            deadline = QDeadlineTimer(m_waitForFirstMs);
            continue;
        }
        // Held by a copy that is still starting: ask again.
        QThread::msleep(RETRY_MS);
    }
}

void SingleInstance::reportNoAnswer() {
    std::fprintf(stderr, "zuno: %s\n", qPrintable(QString(NO_ANSWER_TEXT).replace(u'\n', u' ').simplified()));
    MessageBoxService::Request r;
    r.title = QString::fromLatin1(MessageBoxService::APPLICATION_TITLE);
    r.text = NO_ANSWER_TEXT;
    r.icon = MessageBoxService::Icon::Warning;
    r.buttons = MessageBoxService::Ok;
    MessageBoxService::instance().ask(r);
}

bool SingleInstance::listen() {
    if (m_socketPath.isEmpty() || !m_lock || !m_lock->isLocked())
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours: a socket already there was left by a copy that is gone.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptClients);
    return true;
}

void SingleInstance::acceptClients() {
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        if (m_clients >= MAX_CLIENTS || !peerIsUs(client->socketDescriptor())) {
            client->abort();
            client->deleteLater();
            continue;
        }
        ++m_clients;
        connect(client, &QObject::destroyed, this, [this] { --m_clients; });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A client that floods is read no further than one word; one that says nothing is cut off.
        client->setReadBufferSize(WORD_LIMIT_BYTES + 1);
        QTimer::singleShot(m_clientMs, client, [client] {
            client->abort();
            client->deleteLater();
        });
        connect(client, &QLocalSocket::readyRead, this, [this, client] { hear(client); });
        if (client->bytesAvailable() > 0)
            hear(client);
    }
}

void SingleInstance::hear(QLocalSocket* client) {
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > WORD_LIMIT_BYTES) {
            client->abort();
            client->deleteLater();
        }
        return;
    }
    const QByteArray line = client->readLine(WORD_LIMIT_BYTES + 1);
    const std::optional<StartCommand::Command> command =
        line.endsWith('\n') ? StartCommand::fromWord(line.chopped(1)) : std::nullopt;
    if (!command) {
        client->abort();
        client->deleteLater();
        return;
    }
    client->write(ANSWER);
    client->disconnectFromServer();
    // Commands open windows and may run loops of their own: they run once this handler has returned.
    const StartCommand::Command heard = *command;
    QMetaObject::invokeMethod(
        this, [this, heard] { emit commandReceived(heard); }, Qt::QueuedConnection);
}
