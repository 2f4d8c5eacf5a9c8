// Closing a conversation's TCP connection without losing what was typed.
#include "conversation/ClosingConnection.h"

#include "platform/HalfClose.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTcpSocket>

void ClosingConnection::close(QTcpSocket* socket) {
    new ClosingConnection(socket);
}

ClosingConnection::ClosingConnection(QTcpSocket* socket) : QObject(QCoreApplication::instance()), m_socket(socket) {
    m_socket->disconnect();
    m_socket->setParent(this);
    m_stall.setSingleShot(true);
    m_stall.setInterval(STALL_LIMIT_MS);
    connect(&m_stall, &QTimer::timeout, this, &ClosingConnection::done);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ClosingConnection::onWritten);
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { m_socket->skip(m_socket->bytesAvailable()); });
    connect(m_socket, &QTcpSocket::disconnected, this, &ClosingConnection::done);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &ClosingConnection::done);
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        done();
        return;
    }
    m_socket->skip(m_socket->bytesAvailable());
    m_socket->flush();
    onWritten();
}

// Every write that leaves counts as progress; once nothing is queued the end of the stream follows the last byte.
void ClosingConnection::onWritten() {
    m_stall.start();
    if (m_halfClosed || m_socket->bytesToWrite() > 0 || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_halfClosed = true;
    HalfClose::sendingSide(m_socket->socketDescriptor());
}

void ClosingConnection::done() {
    m_stall.stop();
    m_socket->disconnect(this);
    m_socket->abort();
    deleteLater();
}

void ClosingConnection::finishAll(QDeadlineTimer deadline) {
    if (!QCoreApplication::instance())
        return;
    const QList<ClosingConnection*> closing =
        QCoreApplication::instance()->findChildren<ClosingConnection*>(Qt::FindDirectChildrenOnly);
    for (ClosingConnection* connection : closing)
        connection->finish(deadline);
}

void ClosingConnection::finish(QDeadlineTimer deadline) {
    QPointer<QTcpSocket> socket(m_socket);
    const auto open = [&socket] { return socket && socket->state() == QAbstractSocket::ConnectedState; };
    while (open() && socket->bytesToWrite() > 0 && !deadline.hasExpired())
        if (!socket->waitForBytesWritten(int(deadline.remainingTime())))
            break;
    // The peer closes once it has read the end of the stream.
    while (open() && m_halfClosed && !deadline.hasExpired() && socket->waitForReadyRead(int(deadline.remainingTime())))
        socket->skip(socket->bytesAvailable());
    delete this;
}
