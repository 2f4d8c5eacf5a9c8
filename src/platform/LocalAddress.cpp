// Local addresses: the system's routing choice, the interface list, and the host name's address.
#include "platform/LocalAddress.h"

#include "platform/OwnHostAddress.h"

#include <QDeadlineTimer>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QUdpSocket>

namespace LocalAddress {

QHostAddress firstIPv4(const QList<QHostAddress>& addresses) {
    for (const QHostAddress& a : addresses) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
        bool ok = false;
        const quint32 v4 = a.toIPv4Address(&ok);
        if (ok)
            return QHostAddress(v4);
    }
    return {};
}

QHostAddress parseDotted(const QString& text) {
    static const QRegularExpression dotted(QStringLiteral("^\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}$"));
    if (!dotted.match(text).hasMatch())
        return {};
    QHostAddress a;
    if (!a.setAddress(text) || a.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    return a;
}

void lookUpHostName() {
    OwnHostAddress::instance().start();
}

QHostAddress routeTowards(const QHostAddress& peer) {
    bool ok = false;
    const quint32 ip = peer.toIPv4Address(&ok);
    if (!ok)
        return {};
    // Connecting a UDP socket sends nothing; it only asks the system for the route, at once (an address needs no
    // look-up), so the socket is connected, or has failed, when the call returns.
    QUdpSocket socket;
    socket.connectToHost(QHostAddress(ip), 518);
    const QHostAddress local = socket.localAddress();
    if (socket.state() != QAbstractSocket::ConnectedState || local.toIPv4Address() == 0)
        return {};
    return local;
}

QHostAddress towards(const QHostAddress& peer) {
    const QHostAddress routed = routeTowards(peer);
    if (!routed.isNull())
        return routed;
    const QHostAddress named = OwnHostAddress::instance().address();
    return named.isNull() ? QHostAddress(QHostAddress::LocalHost) : named;
}

bool isOwnAddress(const QHostAddress& address) {
    bool ok = false;
    const quint32 ip = address.toIPv4Address(&ok);
    if (!ok)
        return address.isLoopback();
    if ((ip >> 24) == 127)
        return true;
    // The interface list changes rarely; asking the kernel for it on every datagram would be costly.
    static QList<QHostAddress> cached;
    static QDeadlineTimer fresh;
    if (fresh.hasExpired()) {
        cached = QNetworkInterface::allAddresses();
        fresh.setRemainingTime(5000);
    }
    for (const QHostAddress& a : cached) {
        bool ok4 = false;
        if (a.toIPv4Address(&ok4) == ip && ok4)
            return true;
    }
    return false;
}

bool isSameHost(const QHostAddress& from, const QHostAddress& host) {
    bool fromIPv4 = false;
    bool hostIPv4 = false;
    const quint32 ip = from.toIPv4Address(&fromIPv4);
    const quint32 hostIp = host.toIPv4Address(&hostIPv4);
    if (!fromIPv4 || !hostIPv4)
        return false;
    return ip == hostIp || (isOwnAddress(host) && towards(host).toIPv4Address() == ip);
}

} // namespace LocalAddress
