// The floor under the talk daemon's figures: a responder that does no work. One blocking UDP socket on a loopback
// port; every datagram is answered at once to its sender with its own first 24 bytes, or its first 84 when it is a
// probe (type LOOK_UP or PROBE with the id D7 00 00 00): the reply lengths the daemon sends. One recvfrom and one
// sendto per datagram, what any daemon that reads one datagram per system call costs at least. No Qt.
//
//   bench_floor [--port N]      prints "READY <port>" once bound, then answers until it is killed
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t MESSAGE_SIZE = 84, REPLY_SIZE = 24;
constexpr unsigned char LOOK_UP = 1, PROBE = 215;

bool isProbe(const unsigned char* d, ssize_t n) {
    return n >= 8 && (d[1] == LOOK_UP || d[1] == PROBE) && d[4] == 0xD7 && d[5] == 0 && d[6] == 0 && d[7] == 0;
}

} // namespace

int main(int argc, char** argv) {
    int port = 0;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::strcmp(argv[i], "--port") == 0)
            port = std::atoi(argv[i + 1]);
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_port = htons(static_cast<unsigned short>(port));
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK); // loopback only: nothing leaves the machine
    socklen_t length = sizeof self;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&self), &length) != 0) {
        std::perror("bench_floor");
        return 1;
    }
    std::printf("READY %u\n", ntohs(self.sin_port));
    std::fflush(stdout);
    unsigned char buffer[MESSAGE_SIZE] = {};
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0)
            continue;
        ::sendto(fd, buffer, isProbe(buffer, n) ? MESSAGE_SIZE : REPLY_SIZE, 0, reinterpret_cast<sockaddr*>(&from),
                 fromLength);
    }
}
