// The floor of the UDP exchange: a 183-byte datagram sent on loopback and a reply of the same
// size read back, from a peer process that answers at once, repeated. Plain POSIX, no Qt,
// blocking sockets. Prints the mean round trip in microseconds.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr int packetSize = 183; // three characters of number, 180 of data

long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// A socket bound to a free loopback port; its address in address.
int boundSocket(sockaddr_in &address)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool receive(int fd, char *buffer)
{
    for (;;) {
        const ssize_t n = recv(fd, buffer, packetSize, 0);
        if (n >= 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}
} // namespace

int main(int argc, char *argv[])
{
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 10000;
    sockaddr_in pingAddress{};
    sockaddr_in pongAddress{};
    const int ping = boundSocket(pingAddress);
    const int pong = boundSocket(pongAddress);
    if (ping < 0 || pong < 0 ||
        connect(ping, reinterpret_cast<sockaddr *>(&pongAddress), sizeof pongAddress) != 0 ||
        connect(pong, reinterpret_cast<sockaddr *>(&pingAddress), sizeof pingAddress) != 0) {
        std::perror("floor_udp: socket");
        return 1;
    }

    const pid_t peer = fork();
    if (peer < 0) {
        std::perror("floor_udp: fork");
        return 1;
    }
    if (peer == 0) {
        // The peer: answers every datagram with one of the same size, at once.
        close(ping);
        char buffer[packetSize];
        while (receive(pong, buffer)) {
            if (send(pong, buffer, packetSize, 0) != packetSize)
                break;
        }
        _exit(0);
    }
    close(pong);

    char packet[packetSize];
    std::memset(packet, 'F', sizeof packet);
    for (int i = 0; i < 100; ++i) {
        if (send(ping, packet, packetSize, 0) != packetSize || !receive(ping, packet))
            return 1;
    }
    const long long start = nowNs();
    for (int i = 0; i < exchanges; ++i) {
        if (send(ping, packet, packetSize, 0) != packetSize || !receive(ping, packet)) {
            std::fprintf(stderr, "floor_udp: exchange %d failed\n", i);
            return 1;
        }
    }
    const long long elapsed = nowNs() - start;
    kill(peer, SIGTERM);
    waitpid(peer, nullptr, 0);
    std::printf("%.2f\n", elapsed / 1000.0 / exchanges);
    return 0;
}
