// One conversation with one remote user, from the first control request to the closed TCP connection.
//
// It always starts by asking the remote daemon (LOOK_UP) for an invitation from the remote user. Found: it is
// the callee and connects to the port the invitation names. Not found: it is the caller, announces to the
// remote daemon every 25 seconds, leaves its invitation with the local daemon and waits on its listening
// socket. Three sockets share one port number P: the TCP listener (backlog 1), the UDP control socket and,
// as callee, the TCP data socket. Host names are resolved asynchronously, at every send, in the order of the
// sends. Message boxes are never opened from inside a socket handler: questions are queued, errors notified.
//
// Only the host that was called takes part. A daemon tells anyone who asks with a LOOK_UP where a call waits, so
// the listener takes a connection only from the address the requests went to (for a host that is this machine,
// also from the address it reaches itself from) and refuses every other at once; the callee connects to that
// same address. Control replies count only from the daemons the requests went to, address and port. A peer that
// speaks from another of its addresses (several interfaces, asymmetric routes) is refused as well: a name may stand
// for several machines, and nothing tells such an address apart from a stranger's. It can be called by that address.
//
// A robot conversation (the talk robot's) asks and tells nobody anything: it never shows a box. It ends by itself
// after bounds::ROBOT_IDLE_LIMIT_MS without data from its caller, after bounds::ROBOT_CONVERSATION_LIMIT_MS in all,
// and once its caller has typed bounds::ROBOT_TEXT_LIMIT. Whichever way it ends (the caller hangs up, the
// connection fails, a limit, the program's end), what the caller typed is filed, once. It holds a place in the
// message list from its creation to its end.
#pragma once

#include "config/Bounds.h"
#include "conversation/EraseRules.h"
#include "conversation/RemoteEdit.h"
#include "conversation/StreamDecoder.h"
#include "conversation/TypedTextDiff.h"
#include "platform/WireName.h"
#include "protocol/ControlMessage.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QTimer>

class AppContext;
class QHostInfo;
class QTcpServer;
class QTcpSocket;
class QUdpSocket;

class ConversationEngine : public QObject {
    Q_OBJECT
public:
    enum Mode { Interactive = 0, Robot = 1 };
    static constexpr int RESEND_INTERVAL_MS = 25000;
    // A robot conversation has no window that could be closed: one that is not connected after this many resend
    // periods (a silent daemon, a caller gone before the robot connected) ends by itself.
    static constexpr int ROBOT_WAIT_PERIODS = bounds::ROBOT_ANNOUNCE_LIMIT + 1;
    // A robot answers at once, and a Unix talk caller announces before it leaves its invitation with its own
    // daemon: a robot whose LOOK_UP finds nothing asks again this many times, this far apart, before it rings
    // the caller back.
    static constexpr int ROBOT_LOOKUP_RETRIES = 3;
    static constexpr int ROBOT_LOOKUP_RETRY_MS = 200;
    static constexpr qsizetype READ_SIZE = 2048;
    static_assert(bounds::MAX_STREAM_BYTES_PER_EVENT % READ_SIZE == 0, "a turn of the stream is whole reads");
    // How long a released conversation waits at most for its last requests to leave (host look-ups).
    static constexpr int DRAIN_LIMIT_MS = 10000;
    static constexpr char EDIT_CHARS[3] = {TypedTextDiff::ERASE, EraseRules::KILL_LINE, EraseRules::WORD_ERASE};

    // The user's bytes go into r_name as they are: a name that came from the network goes back as it came.
    ConversationEngine(AppContext& context, int mode, const QString& host, const WireName& user,
                       QObject* parent = nullptr);
    ~ConversationEngine() override;

    // Creates the sockets and sends the first LOOK_UP. Returns false when the conversation failed at once.
    bool start();

    // The window that message boxes belong to.
    void setBoxOwner(QObject* owner) { m_boxOwner = owner; }
    // Tests shorten the resend period (and with it how long a robot waits for its caller).
    void setResendInterval(int ms);
    // Tests shorten how long a robot conversation lasts without data from its caller, and in all
    // (bounds::ROBOT_IDLE_LIMIT_MS, bounds::ROBOT_CONVERSATION_LIMIT_MS).
    void setRobotLimits(int idleMs, int totalMs);
    // Tests shorten the time a turn of reading the stream may take (bounds::MAX_STREAM_TIME_PER_EVENT_US).
    void setStreamTurnTime(int microseconds) { m_streamTurnNs = qint64(microseconds) * 1000; }

    int mode() const { return m_mode; }
    QString remoteHost() const { return m_host; }
    QString remoteUser() const { return m_user.text; }
    const WireName& remoteName() const { return m_user; }
    quint16 port() const { return m_port; }
    bool isConnected() const { return m_connected; }
    bool isReleased() const { return m_released; }
    int announcementsSent() const { return m_announcements; }
    QString status() const { return m_status; }
    QString title() const;
    // What the peer typed, as the remote pane shows it (CR LF line breaks).
    QString remoteText() const { return m_decoder.text(); }
    const TypedTextDiff& localRecord() const { return m_local; }

    // The local pane's text from `position` to its end is now `tail`: tells the peer, on the wire in this same turn
    // of the event loop. The change is recorded first; a failure found putting it on the wire is reported after
    // that. False when the socket refused the bytes (reported, and nothing recorded) or the conversation ended.
    bool SendTypedText(qsizetype position, const QString& tail);
    // The user erased the local line or last word (EraseRules::KILL_LINE or WORD_ERASE): tells the peer with that
    // one byte, as SendTypedText does. Taken into the record before the pane changes, so that the pane's change then
    // sends nothing more.
    bool localEditChar(char editChar);

    // Sends DELETE, then ends the conversation.
    void EndConversation();

signals:
    void statusChanged(const QString& text);
    void titleChanged(const QString& title);
    // The connection is made: the local pane takes the keyboard.
    void connectedToPeer();
    // Robot mode: the robot text was sent and belongs in the local pane.
    void localTextSet(const QString& text);
    void remoteEdits(const RemoteEdits& edits);
    // The peer closed an interactive conversation, or a robot one with something to file: time to beep.
    void peerClosed();
    // The conversation is over; the object deletes itself next.
    void released();
    // A control request left (tests follow the routing through this).
    void requestSent(const QByteArray& datagram, const QHostAddress& to, quint16 port);

private:
    enum class Target { Remote, Local };
    struct Outgoing {
        Target target;
        talk::ControlMessage message;
        quint16 port = 0;
    };

    void SendRequest(std::uint8_t type);
    void pump();
    void deliver(const Outgoing& item, const QHostAddress& remote);
    void onLookedUp(const QHostInfo& info);
    // The signalled socket (the control socket or the data socket) has something to read.
    void OnReadable(const QObject* signalled);
    void readControlReplies();
    bool isFromDaemon(const QHostAddress& sender, quint16 port) const;
    void onControlReply(const talk::ControlMessage& reply);
    void readStream();
    void queueStreamTurn();
    void OnIncomingConnection();
    void onAcceptError(QAbstractSocket::SocketError error);
    void OnConnected();
    void OnResendTimer();
    void OnPeerClosed();
    void onDataError(QAbstractSocket::SocketError error);
    void startCallee(quint16 peerPort);
    void askProbeQuestion();
    void showRejection();
    void ReportSocketError(const QString& detail, int code);
    void Release();
    void closeStream();
    void fileRobotMessage();
    void setStatus(const QString& text);
    bool queueStream(const QByteArray& bytes);
    void flushStream();

    AppContext& m_context;
    const int m_mode;
    const QString m_host;
    WireName m_user;
    QPointer<QObject> m_boxOwner;

    QTcpServer* m_listener = nullptr;
    QUdpSocket* m_control = nullptr;
    QTcpSocket* m_data = nullptr;
    quint16 m_port = 0;
    talk::IdBytes m_localId{};
    talk::IdBytes m_remoteId{};
    bool m_connected = false;
    bool m_peerClosedHandled = false;
    // The peer has closed, and what it sent before is still being read.
    bool m_peerClosePending = false;
    // A turn of reading the stream is queued: what is left is read there.
    bool m_streamTurnQueued = false;
    qint64 m_streamTurnNs = qint64(bounds::MAX_STREAM_TIME_PER_EVENT_US) * 1000;
    // The data socket is writing what was queued: an error it reports now is a failed send.
    bool m_flushing = false;
    bool m_released = false;
    int m_announcements = 0;
    int m_lookUpRetries = 0;
    QTimer m_resendTimer;
    QTimer m_robotWaitTimer;
    QTimer m_robotIdleTimer;
    QTimer m_robotTotalTimer;
    bool m_robotFiled = false;
    QString m_status;

    QQueue<Outgoing> m_outgoing;
    int m_lookupId = -1;
    // Where the last remote and local requests went: the called host and the local daemon.
    QHostAddress m_remoteAddress;
    QHostAddress m_localDaemon;
    bool m_boxPending = false;

    StreamDecoder m_decoder;
    TypedTextDiff m_local;
};
