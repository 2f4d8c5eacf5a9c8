// A talk daemon for tests: a UDP socket on a loopback address (127.0.0.1 unless told) that records every request
// and answers from a script.
#pragma once

#include "protocol/ControlMessage.h"

#include <QList>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <functional>
#include <optional>

struct ReceivedRequest {
    talk::ControlMessage message;
    qsizetype length = 0;
    quint16 senderPort = 0;
};

class ScriptedDaemon : public QObject {
    Q_OBJECT
public:
    // Returns the reply's bytes for a request, or nothing for no answer.
    using Script = std::function<std::optional<QByteArray>(const talk::ControlMessage&)>;

    explicit ScriptedDaemon(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost)) {
        m_socket.bind(address, 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = m_socket.receiveDatagram(1024);
                const QByteArray data = d.data();
                ReceivedRequest r{talk::ControlMessage::decode(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                                               std::size_t(data.size())),
                                  data.size(), quint16(d.senderPort())};
                requests << r;
                if (script)
                    if (std::optional<QByteArray> reply = script(r.message))
                        m_socket.writeDatagram(*reply, d.senderAddress(), quint16(d.senderPort()));
            }
        });
    }
    quint16 port() const { return m_socket.localPort(); }

    QList<ReceivedRequest> requests;
    Script script;

    QList<int> types() const {
        QList<int> out;
        for (const ReceivedRequest& r : requests)
            out << r.message.type;
        return out;
    }

    // A normal reply: the request's first 24 bytes with the answer and id set.
    static QByteArray reply(const talk::ControlMessage& request, std::uint8_t answer, std::uint32_t id = 0,
                            quint16 addrPort = 0) {
        talk::ControlMessage m = request;
        m.answer = answer;
        m.setIdNetworkOrder(id);
        if (addrPort)
            m.addr = talk::SockAddr{2, addrPort, 0x7F000001, {}};
        const talk::Datagram bytes = m.encode();
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(talk::REPLY_SIZE));
    }
    // The 84-byte probe reply naming the user at the host.
    static QByteArray probeReply(const talk::ControlMessage& request, std::uint8_t answer, const char* user) {
        talk::ControlMessage m = request;
        m.answer = answer;
        m.id_num = talk::PROBE_ID_REPLY;
        m.setLocalName(user);
        m.setFullName("Some Body");
        const talk::Datagram bytes = m.encode();
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    }

private:
    QUdpSocket m_socket;
};
