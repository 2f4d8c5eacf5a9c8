// A conversation's TCP connection on its way out: it sends what is still queued, then closes.
//
// A conversation that ends may still hold typed text that its socket has not handed to the system (a peer that
// reads slowly, a large paste): aborting the socket would lose it. The connection is taken over by this object,
// which lives on after the conversation: it sends the rest, then closes its sending half, so that the peer reads
// every byte and then the end of the stream, and waits for the peer to close in turn. What the peer still sends
// meanwhile is read and dropped: closing a socket that holds unread data resets the connection, and a reset
// throws away what the system has not sent yet. Nothing here waits on the thread: it all happens in the event
// loop, and the object deletes itself and the socket when the peer has closed, when the connection fails, or when
// nothing has moved for STALL_LIMIT_MS.
#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

class QTcpSocket;

class ClosingConnection : public QObject {
    Q_OBJECT
public:
    // A peer that neither reads nor closes for this long is cut off; one that goes on reading gets everything.
    static constexpr int STALL_LIMIT_MS = 30000;

    // Takes `socket` over (the signals it had connected are cut) and closes it as above.
    static void close(QTcpSocket* socket);
    // The program ends and no event loop runs any more: each connection still closing waits on its socket, until
    // `deadline` at most, for its last bytes to leave and the peer to close.
    static void finishAll(QDeadlineTimer deadline);

private:
    explicit ClosingConnection(QTcpSocket* socket);
    void onWritten();
    void finish(QDeadlineTimer deadline);
    void done();

    QTcpSocket* m_socket;
    QTimer m_stall;
    bool m_halfClosed = false;
};
