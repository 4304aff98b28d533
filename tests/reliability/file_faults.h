#pragma once

// File system faults without mounting anything: a full disk (the process's file size limit) and
// unwritable folders or files (a root test process drops to an unprivileged user meanwhile).
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace FileFaults {

#ifdef Q_OS_UNIX
// While alive, no file can grow past limit bytes: a write beyond it fails (EFBIG), like a write
// on a disk that has filled up.
class FullDisk
{
    Q_DISABLE_COPY(FullDisk)

public:
    explicit FullDisk(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        const rlimit limited{limit, m_previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    void (*m_previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit m_previous{};
};

// While alive, permissions count: a process running as root acts as an unprivileged user (the
// saved user id keeps the way back). Folders the test uses must be open to others.
class Unprivileged
{
    Q_DISABLE_COPY(Unprivileged)

public:
    static constexpr uid_t nobody = 65534;
    Unprivileged() = default;
    ~Unprivileged()
    {
        if (m_wasRoot) {
            setresuid(0, 0, 0);
            setresgid(0, 0, 0);
        }
    }
    // False when root could not give up its rights (then permission faults cannot be shown).
    bool permissionsCount() const { return !m_wasRoot || m_active; }

private:
    bool m_wasRoot = geteuid() == 0;
    bool m_active =
        m_wasRoot && setresgid(nobody, nobody, 0) == 0 && setresuid(nobody, nobody, 0) == 0;
};
#endif

} // namespace FileFaults
