// The machine's talk daemon: a UDP socket on port 518 that answers the control requests of talk programs.
//
// The socket only moves bytes: each datagram goes through HandleRequest (RequestHandler.h) with the caller's
// action from the caller rules, and the reply goes back to the sender's address and port. The socket is read and
// answered in batches (DatagramBatch), at most bounds::MAX_DATAGRAMS_PER_EVENT datagrams per turn of the event
// loop, with one system call each way; after a full batch (a flood) the socket rests for
// bounds::FULL_BATCH_PAUSE_MS. The daemon shows no windows: it reports errors, rings and closed calls through its
// signals, and keeps the list of open prompts (each prompt adds itself and removes itself with RemovePrompt).
#pragma once

#include "daemon/AutoConversationGate.h"
#include "daemon/DatagramBatch.h"
#include "daemon/InvitationTable.h"
#include "daemon/RequestHandler.h"
#include "platform/DaemonSocket.h"
#include "platform/WireName.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class AppContext;
class QSocketNotifier;

class CTalkDaemon : public QObject {
    Q_OBJECT
public:
    explicit CTalkDaemon(AppContext& context, QObject* parent = nullptr);
    ~CTalkDaemon() override;

    // The socket main bound before start-up (the shipped program's port 518): start() adopts it instead of binding,
    // and reports its failed bind as its own. Tests that set another port hand none.
    void adopt(DaemonSocket socket) { m_adopted = std::move(socket); }
    // Binds UDP AnyIPv4:context.daemonPort() without address sharing, or takes the adopted socket. On failure returns
    // false and startError() holds the text to show.
    bool start();
    QString startError() const { return m_startError; }
    int startErrorCode() const { return m_startErrorCode; }
    quint16 localPort() const;

    // The prompt list: every incoming request prompt now open, with its caller's name and dotted host.
    void AddPrompt(QObject* prompt, const QString& name, const QString& host);
    void RemovePrompt(QObject* prompt);
    int promptCount() const { return int(m_prompts.size()); }

    InvitationTable& table() { return m_table; }
    const QString& loginName() const { return m_loginName; }
    // Conversations that prompts start by themselves (the robot, Connect at once) wait their turn here.
    AutoConversationGate& autoConversations() { return m_gate; }

    // Handles one datagram as if it had arrived from (senderIp, senderPort); returns the reply bytes (empty when
    // none). The receive handler uses it; so do tests and tools that feed the daemon without a socket.
    QByteArray handleDatagram(const QByteArray& datagram, quint32 senderIp, quint16 senderPort);
    // The same, with the reply built into the caller's buffer; returns its length (0: no reply).
    std::size_t handleDatagram(const std::uint8_t* data, std::size_t length, quint32 senderIp, quint16 senderPort,
                               talk::Datagram& reply);
    // Replies dropped because the socket's send buffer was full (the send would block): as the system drops
    // datagrams it has no room for, they are counted here and never reported as an error.
    quint64 droppedReplies() const { return m_droppedReplies; }

    // The caller's action, as ActionFor gives it from the store; the rules are read again only after the store
    // has changed, so a datagram costs no store access.
    int callerAction(const QString& name, const QString& host);

    static constexpr const char* ADDRESS_IN_USE_TEXT =
        "Hm... it appears there is another talk program being executed at the moment. You would better choose "
        "which one you are going to use and remove the other. Do not hurry and make proper choice!";
    static constexpr const char* BIND_ERROR_FORMAT = "Socket error %1 occured. Program terminated.";
    static constexpr const char* RUNTIME_ERROR_FORMAT = "Server: socket error %1 occured.\r\n%2";
    static constexpr const char* RECEIPT_ERROR_DETAIL = "Murmelo daemon reports receipt error.";
    static constexpr const char* SEND_ERROR_DETAIL = "Murmelo daemon reports send error.";

signals:
    // A receive or send error, formatted for the user; the daemon goes on.
    void errorOccurred(const QString& text);
    // Ring the local user: open a prompt for this caller. Emitted before the reply is sent. The name keeps the
    // bytes of the caller's l_name field: a conversation that answers sends them back as they came.
    void ring(int action, const QString& host, const WireName& name, int robotDelay);
    // The caller gave up (DELETE): close its open prompts as Ignore would.
    void closePrompts(const QString& name, const QString& host);

private:
    struct PromptEntry {
        QObject* prompt;
        QString name;
        QString host;
    };
    class Queries;

    void onReadable();
    // Sends the batch's replies; replies a full send buffer dropped are counted, failed ones reported.
    void sendReplies();
    // The caller's action for a request's l_name field from this sender; builds no text when no rule exists.
    int actionFor(const std::string& lName, const std::string& host);
    void refreshCallerRules();
    // The daemon's own values for the handler, kept between datagrams and rebuilt when one of them changed.
    const daemonlogic::DaemonView& view();
    static QString errorText(int code, const char* detail);
    void reportError(int code, const char* detail);
    // Takes over the socket main bound; false, with the start error set, when its bind had failed.
    bool takeAdoptedSocket();
    // Sets the start error from its Windows Sockets number; always false.
    bool failStart(int code);

    AppContext& m_context;
    DaemonSocket m_socket;
    QSocketNotifier* m_notifier = nullptr;
    // Turns the notifier back on after a full batch.
    QTimer m_resume;
    DaemonSocket m_adopted;
    DatagramBatch m_batch;
    quint64 m_droppedReplies = 0;
    daemonlogic::DaemonView m_view;
    QString m_viewFullName;
    InvitationTable m_table;
    QString m_loginName;
    QList<PromptEntry> m_prompts;
    AutoConversationGate m_gate;
    const QString m_overlongError; // the receipt error of an overlong datagram
    QString m_startError;
    int m_startErrorCode = 0;
    // The caller rules as loaded when the store last changed, keyed by name and host with A to Z folded.
    QHash<QString, int> m_callerActions;
    QHash<QString, int> m_hostActions;
    int m_defaultAction = 3;
    quint64 m_rulesGeneration = ~quint64(0);
};
