// Local addresses: the routing choice of the kernel, the interface list, and the host name's address.
#include "platform/LocalAddress.h"

#include "platform/OwnHostAddress.h"

#include <QDeadlineTimer>
#include <QNetworkInterface>
#include <QRegularExpression>

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
