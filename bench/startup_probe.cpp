// Starts a program and measures the time until something answers a talk probe on 127.0.0.1:518.
// Usage: startup-probe <program> [args...]   (run it inside a fresh network namespace)
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s program [args...]\n", argv[0]);
        return 2;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&self), sizeof self);
    socklen_t len = sizeof self;
    getsockname(fd, reinterpret_cast<sockaddr*>(&self), &len);

    unsigned char probe[84] = {};
    probe[0] = 1;               // vers
    probe[1] = 1;               // LOOK_UP
    probe[4] = 0xD7;            // PROBE_ID
    probe[8] = 0, probe[9] = 2; // addr family
    std::memcpy(&probe[10], &self.sin_port, 2);
    std::memcpy(&probe[12], &self.sin_addr, 4);
    std::memcpy(&probe[24], &probe[8], 16);
    std::memcpy(&probe[44], "bench", 5);

    sockaddr_in daemon{};
    daemon.sin_family = AF_INET;
    daemon.sin_port = htons(518);
    daemon.sin_addr.s_addr = htonl(INADDR_LOOPBACK);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    double ms = -1;
    for (int attempt = 0; attempt < 15000; ++attempt) { // at most 30 s
        sendto(fd, probe, sizeof probe, 0, reinterpret_cast<sockaddr*>(&daemon), sizeof daemon);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2) > 0) {
            unsigned char reply[128];
            if (recv(fd, reply, sizeof reply, 0) > 0) {
                ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                break;
            }
        }
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    if (ms < 0) {
        std::fprintf(stderr, "no answer within 30 s\n");
        return 1;
    }
    std::printf("%.1f\n", ms);
    return 0;
}
