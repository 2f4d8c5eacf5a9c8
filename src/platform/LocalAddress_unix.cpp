// The kernel's routing choice of a local address.
#include "platform/LocalAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace LocalAddress {

QHostAddress routeTowards(const QHostAddress& peer) {
    bool ok = false;
    const quint32 ip = peer.toIPv4Address(&ok);
    if (!ok)
        return {};
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(518);
    to.sin_addr.s_addr = htonl(ip);
    sockaddr_in local{};
    socklen_t len = sizeof local;
    QHostAddress result;
    // Connecting a UDP socket sends nothing; it only asks the system for the route.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0 && local.sin_addr.s_addr != 0)
        result = QHostAddress(ntohl(local.sin_addr.s_addr));
    ::close(fd);
    return result;
}

} // namespace LocalAddress
