#include "program_process.h"

#include <QTest>

#if defined(Q_OS_UNIX)
#include <csignal>
#endif
#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#endif

ProgramProcess::ProgramProcess(const QString &program, const QStringList &arguments,
                               const QString &workingDirectory)
    : m_program(program), m_arguments(arguments)
{
    m_process.setWorkingDirectory(workingDirectory); // empty: the test's own
}

ProgramProcess::~ProgramProcess()
{
    // Asked to end as a service manager would, so a program still writing its last files (its
    // store, its coverage counters) finishes them; killed only when it does not end.
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

void ProgramProcess::setEnvironmentVariable(const QString &name, const QString &value)
{
    QProcessEnvironment environment = m_process.processEnvironment();
    if (environment.isEmpty())
        environment = QProcessEnvironment::systemEnvironment();
    environment.insert(name, value);
    m_process.setProcessEnvironment(environment);
}

bool ProgramProcess::start()
{
#if defined(Q_OS_LINUX)
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
    m_process.start(m_program, m_arguments);
    return m_process.waitForStarted(10000);
}

quint16 ProgramProcess::boundPort(const QString &line)
{
    static const QString prefix = QStringLiteral("Listening on UDP port ");
    return line.startsWith(prefix) ? line.mid(prefix.size()).toUShort() : quint16(0);
}

quint16 ProgramProcess::startListening()
{
    quint16 port = 0;
    if (start())
        waitForLine([&port](const QString &line) { return (port = boundPort(line)) != 0; });
    return port;
}

void ProgramProcess::signal(int signalNumber)
{
    if (m_process.state() == QProcess::NotRunning)
        return; // process id 0 would signal the whole process group
#if defined(Q_OS_UNIX)
    ::kill(pid_t(m_process.processId()), signalNumber);
#else
    Q_UNUSED(signalNumber);
    m_process.terminate();
#endif
}

void ProgramProcess::collect()
{
    m_partial += m_process.readAllStandardOutput();
    m_error += m_process.readAllStandardError();
    qsizetype end = 0;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
    }
}

bool ProgramProcess::waitForLine(const std::function<bool(const QString &)> &test, int timeoutMs)
{
    qsizetype checked = 0;
    bool found = false;
    // Each line is tested once; a program that has ended has no more lines to come.
    (void)QTest::qWaitFor(
        [&] {
            const bool ended = m_process.state() == QProcess::NotRunning;
            collect();
            for (; checked < m_lines.size() && !found; ++checked)
                found = test(m_lines.at(checked));
            return found || ended;
        },
        timeoutMs);
    return found;
}

bool ProgramProcess::waitForLine(const QString &line, int timeoutMs)
{
    return waitForLine([&line](const QString &shown) { return shown == line; }, timeoutMs);
}

bool ProgramProcess::waitForExit(int timeoutMs)
{
    const bool ended =
        QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
    collect();
    return ended && m_process.exitStatus() == QProcess::NormalExit;
}
