#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// One of the shipped programs run by a test as an operator or a service manager would run it:
// standard output read line by line as it comes, standard error kept, signals sent. Every wait
// keeps the test's event loop turning, so simulated units in the test go on answering. The
// child ends with the test.
class ProgramProcess
{
public:
    ProgramProcess(const QString &program, const QStringList &arguments,
                   const QString &workingDirectory = {});
    ~ProgramProcess();

    // A variable of the program's environment (the test's own environment otherwise), set
    // before start().
    void setEnvironmentVariable(const QString &name, const QString &value);
    bool start();
    // For a headless program (given "--port 0" as a rule): starts it and waits for the line
    // that names the port it bound, "Listening on UDP port N". Returns N, or 0 when it ended
    // (or did not start) without listening.
    quint16 startListening();
    // The port named by a line "Listening on UDP port N" (the headless programs, and Quellix's
    // window with --listen), or 0.
    static quint16 boundPort(const QString &line);
    qint64 processId() const { return m_process.processId(); }
    void write(const QByteArray &input) { m_process.write(input); }
    // Ends the program's standard input.
    void closeInput() { m_process.closeWriteChannel(); }
    // POSIX signals (SIGTERM, SIGINT).
    void signal(int signalNumber);

    // Standard output so far, one entry per line without its line end.
    QStringList lines()
    {
        collect();
        return m_lines;
    }
    QString standardError()
    {
        collect();
        return QString::fromUtf8(m_error);
    }
    // Waits until a line satisfies the test (or the time is up).
    bool waitForLine(const std::function<bool(const QString &)> &test, int timeoutMs = 20000);
    bool waitForLine(const QString &line, int timeoutMs = 20000);
    // Waits for the program to end; true when it ended by itself (not by a crash or a signal).
    bool waitForExit(int timeoutMs = 20000);
    int exitCode() const { return m_process.exitCode(); }

private:
    void collect();

    QString m_program;
    QStringList m_arguments;
    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    QByteArray m_error;
};
