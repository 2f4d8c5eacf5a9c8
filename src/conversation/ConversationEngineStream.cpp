// The conversation's TCP side: accepting or connecting, the character stream, and how a conversation ends.
#include "config/Settings.h"
#include "conversation/ClosingConnection.h"
#include "conversation/ConversationEngine.h"
#include "platform/AppContext.h"
#include "platform/LocalAddress.h"
#include "platform/MessageBoxService.h"
#include "platform/SocketErrors.h"
#include "robot/StoreRobotMessage.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <utility>

void ConversationEngine::startCallee(quint16 peerPort) {
    m_listener->close();
    m_data = new QTcpSocket(this);
    m_data->setReadBufferSize(bounds::STREAM_READ_BUFFER_SIZE);
    // The data socket takes the conversation's port number, as the listener had it.
    if (!m_data->bind(QHostAddress::AnyIPv4, m_port)) {
        ReportSocketError(QStringLiteral("Could not create TCP socket for connection."),
                          SocketErrors::fromQt(m_data->error(), m_data->errorString()));
        return;
    }
    connect(m_data, &QTcpSocket::connected, this, &ConversationEngine::OnConnected);
    connect(m_data, &QTcpSocket::readyRead, this, [this] { OnReadable(m_data); });
    connect(m_data, &QTcpSocket::disconnected, this, &ConversationEngine::OnPeerClosed);
    connect(m_data, &QTcpSocket::errorOccurred, this, &ConversationEngine::onDataError);
    // Connect to the port the invitation names, at the address whose daemon gave it: the host that was called (not
    // the address the invitation names, and not whatever the name gives by now).
    m_data->connectToHost(m_remoteAddress, peerPort);
    setStatus(QStringLiteral("Waiting for connection..."));
}

void ConversationEngine::OnIncomingConnection() {
    QTcpSocket* taken = nullptr;
    bool refused = false;
    while (QTcpSocket* incoming = m_listener->nextPendingConnection()) {
        // The first connection from the host that was called is taken. Anyone may have asked the daemon where this
        // call waits: whoever else connects is refused at once, not left waiting in the backlog, and the call waits on.
        if (!m_released && !m_data && !taken && LocalAddress::isSameHost(incoming->peerAddress(), m_remoteAddress)) {
            taken = incoming;
            continue;
        }
        refused = refused || (!m_released && !m_data);
        incoming->abort();
        incoming->deleteLater();
    }
    if (!taken) {
        if (refused)
            setStatus(QStringLiteral("A connection from another host was refused."));
        return;
    }
    m_data = taken;
    m_data->setParent(this);
    m_data->setReadBufferSize(bounds::STREAM_READ_BUFFER_SIZE);
    m_listener->close();
    connect(m_data, &QTcpSocket::readyRead, this, [this] { OnReadable(m_data); });
    connect(m_data, &QTcpSocket::disconnected, this, &ConversationEngine::OnPeerClosed);
    connect(m_data, &QTcpSocket::errorOccurred, this, &ConversationEngine::onDataError);
    OnConnected();
    if (!m_released && m_data && m_data->bytesAvailable() > 0)
        OnReadable(m_data);
}

// The listener stops accepting after a failed accept: a conversation that went on waiting would never be called.
void ConversationEngine::onAcceptError(QAbstractSocket::SocketError error) {
    if (m_released || m_data)
        return;
    ReportSocketError(QStringLiteral("Could not accept TCP connection."),
                      SocketErrors::fromQt(error, m_listener->errorString()));
    // A reset or an abort (the box alone) leaves the conversation waiting, and the next caller is taken.
    if (!m_released)
        m_listener->resumeAccepting();
}

void ConversationEngine::OnConnected() {
    if (m_released || m_connected)
        return;
    m_connected = true;
    m_resendTimer.stop();
    m_robotWaitTimer.stop();
    if (m_mode == Robot)
        m_robotIdleTimer.start();
    // They leave with the first typed text, or at the socket's next write notification.
    if (!queueStream(QByteArray(EDIT_CHARS, 3)))
        return;
    SendRequest(talk::DELETE);
    emit titleChanged(title());
    setStatus(QStringLiteral("Connected."));
    QPointer<ConversationEngine> self(this);
    emit connectedToPeer();
    if (!self || m_released)
        return;
    if (m_mode == Robot) {
        const QString text = m_context.settings().autotext;
        if (SendTypedText(0, text))
            emit localTextSet(text);
    }
}

// Into the data socket's buffer: a refusal (the socket is not connected) is the failed send.
bool ConversationEngine::queueStream(const QByteArray& bytes) {
    if (!m_data)
        return false;
    if (m_data->write(bytes) < 0) {
        ReportSocketError(QStringLiteral("Could not send a packet."),
                          SocketErrors::fromQt(m_data->error(), m_data->errorString()));
        return false;
    }
    return true;
}

// What the data socket holds goes to the system now, not at its next write notification a turn later: a key reaches
// the peer in the turn it was typed, whatever else is waiting for the thread. A failure comes back through the data
// socket's error signal (onDataError), and what the socket cannot take yet leaves at its write notification.
void ConversationEngine::flushStream() {
    if (!m_data)
        return;
    QPointer<ConversationEngine> self(this);
    m_flushing = true;
    m_data->flush();
    if (self)
        m_flushing = false;
}

bool ConversationEngine::SendTypedText(qsizetype position, const QString& tail) {
    if (m_released)
        return false;
    const bool sending = m_connected && !m_peerClosePending;
    if (sending) {
        const QByteArray bytes = m_local.replaceFrom(position, tail);
        if (!bytes.isEmpty() && !queueStream(bytes))
            return false;
    }
    m_local.commit(position, tail);
    if (sending)
        flushStream();
    return !m_released;
}

bool ConversationEngine::localEditChar(char editChar) {
    if (m_released)
        return false;
    const bool sending = m_connected && !m_peerClosePending;
    if (sending && !queueStream(QByteArray(1, editChar)))
        return false;
    m_local.commitEditChar(editChar);
    if (sending)
        flushStream();
    return !m_released;
}

// One turn: at most bounds::MAX_STREAM_BYTES_PER_EVENT bytes and bounds::MAX_STREAM_TIME_PER_EVENT_US, so that a peer
// who never pauses cannot keep the thread (the daemon, the timers, the other conversations) from its other work.
void ConversationEngine::readStream() {
    QPointer<ConversationEngine> self(this);
    qint64 taken = 0;
    QElapsedTimer turn;
    turn.start();
    while (self && !m_released && m_data && m_data->bytesAvailable() > 0) {
        if (taken >= bounds::MAX_STREAM_BYTES_PER_EVENT || (taken > 0 && turn.nsecsElapsed() >= m_streamTurnNs)) {
            queueStreamTurn();
            return;
        }
        char buffer[READ_SIZE];
        const qint64 n = m_data->read(buffer, READ_SIZE);
        if (n <= 0)
            break;
        taken += n;
        if (m_mode == Robot)
            m_robotIdleTimer.start();
        const RemoteEdits edits = m_decoder.feed(buffer, n);
        if (!edits.isEmpty())
            emit remoteEdits(edits);
        // The robot files at most bounds::ROBOT_TEXT_LIMIT of text: it hangs up once the caller has typed that much
        // (the text with CR LF line breaks, as it is filed), so that a caller who never stops cannot fill the memory.
        if (self && m_mode == Robot && !m_released && m_decoder.textLength() >= bounds::ROBOT_TEXT_LIMIT)
            EndConversation();
    }
    if (self && m_peerClosePending && !(m_data && m_data->bytesAvailable() > 0))
        OnPeerClosed();
}

// Qt signals readyRead for newly arrived bytes only: what is left in the socket's buffer is read in a turn of our
// own. A conversation deleted before that turn never gets it; one released meanwhile reads nothing more.
void ConversationEngine::queueStreamTurn() {
    if (m_streamTurnQueued)
        return;
    m_streamTurnQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_streamTurnQueued = false;
            readStream();
        },
        Qt::QueuedConnection);
}

void ConversationEngine::onDataError(QAbstractSocket::SocketError error) {
    if (m_released || !m_data)
        return;
    const int code = SocketErrors::fromQt(error, m_data->errorString());
    if (!m_connected) {
        // A connect that fails leaves the callee waiting, as it was; a robot, which nobody can close, ends.
        if (m_mode == Robot)
            EndConversation();
        return;
    }
    if (error == QAbstractSocket::RemoteHostClosedError && code != SocketErrors::WSAECONNRESET)
        return; // an orderly close: the disconnected signal follows
    if (code == SocketErrors::WSAECONNRESET) {
        ReportSocketError(QString(), code);
        // A reset connection is a closed one as well.
        OnPeerClosed();
        return;
    }
    ReportSocketError(
        m_flushing ? QStringLiteral("Could not send a packet.") : QStringLiteral("TCP socket read error."), code);
}

void ConversationEngine::OnPeerClosed() {
    if (m_released || !m_connected || m_peerClosedHandled)
        return;
    // What the peer sent before it closed comes first: the close waits until the last of it has been read.
    if (m_data && m_data->bytesAvailable() > 0) {
        m_peerClosePending = true;
        queueStreamTurn();
        return;
    }
    m_peerClosedHandled = true;
    SendRequest(talk::DELETE);
    m_connected = false;
    const QString text = remoteText();
    if (m_mode == Robot && text.isEmpty()) {
        EndConversation();
        return;
    }
    QPointer<ConversationEngine> self(this);
    emit peerClosed();
    if (!self || m_released)
        return;
    if (m_mode == Interactive) {
        emit titleChanged(title());
        setStatus(QStringLiteral("Connection closed."));
    } else {
        EndConversation(); // which files the caller's text
    }
}

void ConversationEngine::OnResendTimer() {
    if (m_released || m_connected)
        return;
    if (m_mode == Robot && m_announcements >= bounds::ROBOT_ANNOUNCE_LIMIT) {
        EndConversation();
        return;
    }
    SendRequest(talk::ANNOUNCE);
    setStatus(QStringLiteral("Resending announce."));
}

void ConversationEngine::EndConversation() {
    if (m_released)
        return;
    SendRequest(talk::DELETE);
    Release();
}

void ConversationEngine::ReportSocketError(const QString& detail, int code) {
    if (m_mode == Robot) {
        // Nobody watches a robot conversation: no box. A reset or abort leaves it as it is, as the box would (the
        // closed path follows); any other error ends it, and what the caller typed is filed.
        if (code == SocketErrors::WSAECONNRESET || code == SocketErrors::WSAECONNABORTED)
            return;
        m_outgoing.clear();
        Release();
        return;
    }
    MessageBoxService::Request r;
    r.title = QString::fromLatin1(MessageBoxService::APPLICATION_TITLE);
    r.buttons = MessageBoxService::Ok;
    if (code == SocketErrors::WSAECONNRESET || code == SocketErrors::WSAECONNABORTED) {
        r.icon = MessageBoxService::Icon::Warning;
        r.text = code == SocketErrors::WSAECONNRESET ? QStringLiteral("Connection's closed by remote host")
                                                     : QStringLiteral("Connection's aborted by remote host.");
        MessageBoxService::instance().notify(r);
        return;
    }
    r.icon = MessageBoxService::Icon::Stop;
    r.text = QStringLiteral("Socket error %1 occured.\r\n%2").arg(QString::number(code), detail);
    // No DELETE follows a failure.
    m_outgoing.clear();
    MessageBoxService::instance().notify(r);
    Release();
}

void ConversationEngine::Release() {
    if (m_released)
        return;
    m_released = true;
    m_resendTimer.stop();
    m_robotWaitTimer.stop();
    m_robotIdleTimer.stop();
    m_robotTotalTimer.stop();
    fileRobotMessage();
    closeStream();
    if (m_listener)
        m_listener->close();
    emit released();
    if (m_outgoing.isEmpty()) {
        deleteLater();
    } else {
        // The last DELETE may wait for a host look-up: let it leave, but not forever.
        QTimer::singleShot(DRAIN_LIMIT_MS, this, [this] { deleteLater(); });
    }
}

// What was typed before the end still reaches the peer: the connection finishes in the background.
void ConversationEngine::closeStream() {
    if (!m_data)
        return;
    QTcpSocket* data = std::exchange(m_data, nullptr);
    ClosingConnection::close(data);
}

void ConversationEngine::fileRobotMessage() {
    if (m_mode != Robot || m_robotFiled)
        return;
    m_robotFiled = true;
    // Files the text when there is any, and gives back the conversation's place in the list either way.
    StoreRobotMessage(m_context, remoteText(), m_host, m_user, true);
}

void ConversationEngine::setStatus(const QString& text) {
    m_status = text;
    emit statusChanged(text);
}
