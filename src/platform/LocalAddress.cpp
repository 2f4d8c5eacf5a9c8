// Local addresses: the routing choice of the kernel, the interface list, and the host name's address.
#include "platform/LocalAddress.h"

#include "platform/OwnHostAddress.h"

#include <QDeadlineTimer>
#include <QNetworkInterface>
#include <QRegularExpression>

#ifndef Q_OS_WIN
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

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
#ifndef Q_OS_WIN
    bool ok = false;
    const quint32 ip = peer.toIPv4Address(&ok);
    if (ok) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (fd >= 0) {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(518);
            to.sin_addr.s_addr = htonl(ip);
            sockaddr_in local{};
            socklen_t len = sizeof local;
            QHostAddress result;
            // Connecting a UDP socket sends nothing; it only asks the kernel for the route.
            if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
                ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0 && local.sin_addr.s_addr != 0)
                result = QHostAddress(ntohl(local.sin_addr.s_addr));
            ::close(fd);
            if (!result.isNull())
                return result;
        }
    }
#endif
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
