// Talk daemons for tests, on loopback addresses: each answers locate probes the way a Unix daemon does
// (24 bytes, SUCCESS or NOT_HERE) or the way this program's daemon does (84 bytes, 213 to 216, the
// marker and a login name), or not at all. Every datagram received is kept for inspection.
#pragma once

#include "LocateTestData.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <map>
#include <memory>

class FakeDaemon {
public:
    // Elsewhere: a program's reply, sent from another port of the host.
    enum class Kind { Unix, Program, Silent, Oversize, Runt, Elsewhere };

    struct Host {
        Kind kind = Kind::Unix;
        std::uint8_t answer = talk::NOT_HERE;
        std::string login;
        std::vector<QByteArray> received;
        std::unique_ptr<QUdpSocket> socket;
    };

    // All hosts listen on the same port, each on its own loopback address. The port is held on 127.0.0.1 from the
    // start (that host takes the socket over), so that no other program gets it before the hosts are added.
    FakeDaemon() : m_held(std::make_unique<QUdpSocket>()) {
        m_held->bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        m_port = m_held->localPort();
    }

    quint16 port() const { return m_port; }

    bool add(const QString& address, Kind kind, std::uint8_t answer = talk::NOT_HERE, const std::string& login = {}) {
        auto host = std::make_unique<Host>();
        host->kind = kind;
        host->answer = answer;
        host->login = login;
        const bool held = m_held && QHostAddress(address) == m_held->localAddress();
        host->socket = held ? std::move(m_held) : std::make_unique<QUdpSocket>();
        if (!held && !host->socket->bind(QHostAddress(address), m_port))
            return false;
        Host* h = host.get();
        QObject::connect(h->socket.get(), &QUdpSocket::readyRead, [h] { respond(*h); });
        m_hosts[address] = std::move(host);
        return true;
    }

    Host& host(const QString& address) { return *m_hosts.at(address); }
    int totalReceived() const {
        int n = 0;
        for (const auto& [a, h] : m_hosts)
            n += int(h->received.size());
        return n;
    }

private:
    static void respond(Host& h) {
        while (h.socket->hasPendingDatagrams()) {
            const QNetworkDatagram d = h.socket->receiveDatagram();
            h.received.push_back(d.data());
            QByteArray reply;
            switch (h.kind) {
            case Kind::Unix:
                reply = locatetest::unixReply(h.answer);
                break;
            case Kind::Program:
                reply = locatetest::probeReply(h.answer, h.login);
                break;
            case Kind::Oversize:
                reply = locatetest::probeReply(talk::USER_PRESENT, h.login) + QByteArray(1, '\0');
                break;
            case Kind::Runt:
                reply = locatetest::unixReply(h.answer).left(23);
                break;
            case Kind::Silent:
                continue;
            case Kind::Elsewhere: {
                QUdpSocket other;
                other.bind(h.socket->localAddress(), 0);
                other.writeDatagram(locatetest::probeReply(h.answer, h.login), d.senderAddress(),
                                    quint16(d.senderPort()));
                continue;
            }
            }
            h.socket->writeDatagram(reply, d.senderAddress(), quint16(d.senderPort()));
        }
    }

    std::unique_ptr<QUdpSocket> m_held;
    quint16 m_port = 0;
    std::map<QString, std::unique_ptr<Host>> m_hosts;
};
