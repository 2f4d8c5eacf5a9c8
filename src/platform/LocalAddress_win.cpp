// Windows' routing choice of a local address (Qt has started Windows Sockets by the time it is asked).
#include "platform/LocalAddress.h"

#include <winsock2.h>

namespace LocalAddress {

QHostAddress routeTowards(const QHostAddress& peer) {
    bool ok = false;
    const quint32 ip = peer.toIPv4Address(&ok);
    if (!ok)
        return {};
    const SOCKET fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd == INVALID_SOCKET)
        return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(518);
    to.sin_addr.s_addr = htonl(ip);
    sockaddr_in local{};
    int len = sizeof local;
    QHostAddress result;
    // Connecting a UDP socket sends nothing; it only asks the system for the route.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0 && local.sin_addr.s_addr != 0)
        result = QHostAddress(ntohl(local.sin_addr.s_addr));
    ::closesocket(fd);
    return result;
}

} // namespace LocalAddress
