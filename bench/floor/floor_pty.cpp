// The floor of the serial exchange: one character written to a pseudo-terminal and a
// one-character answer read back, from a peer process that answers at once, repeated. Plain
// POSIX, no Qt, both ends in raw mode with blocking reads, as lean as an exchange can be.
// Prints the mean round trip in microseconds.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {
long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

bool makeRaw(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool readOne(int fd, char &c)
{
    for (;;) {
        const ssize_t n = read(fd, &c, 1);
        if (n == 1)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}
} // namespace

int main(int argc, char *argv[])
{
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("floor_pty: pseudo-terminal");
        return 1;
    }
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    if (slave < 0 || !makeRaw(slave) || !makeRaw(master)) {
        std::perror("floor_pty: terminal end");
        return 1;
    }

    const pid_t peer = fork();
    if (peer < 0) {
        std::perror("floor_pty: fork");
        return 1;
    }
    if (peer == 0) {
        // The peer: answers every character with one character, at once.
        close(slave);
        char c = 0;
        while (readOne(master, c)) {
            const char answer = 'N';
            if (write(master, &answer, 1) != 1)
                break;
        }
        _exit(0);
    }
    close(master);

    char c = '0';
    // A few exchanges first, so both processes are running before the clock starts.
    for (int i = 0; i < 100; ++i) {
        if (write(slave, &c, 1) != 1 || !readOne(slave, c))
            return 1;
    }
    const long long start = nowNs();
    for (int i = 0; i < exchanges; ++i) {
        c = static_cast<char>('0' + i % 10);
        if (write(slave, &c, 1) != 1 || !readOne(slave, c)) {
            std::fprintf(stderr, "floor_pty: exchange %d failed\n", i);
            return 1;
        }
    }
    const long long elapsed = nowNs() - start;
    kill(peer, SIGTERM);
    waitpid(peer, nullptr, 0);
    std::printf("%.2f\n", elapsed / 1000.0 / exchanges);
    return 0;
}
