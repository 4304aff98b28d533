#pragma once

// Server --headless run by a test as a service manager would run it: a real process in a
// temporary working folder that is also the base of the operating system folders.
#include "support/program_process.h"

#include "unit_simulator/udp_unit_client.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

inline const QHostAddress loopback(QStringLiteral("127.0.0.1"));

class HeadlessServerRun
{
public:
    // More arguments, separated by blanks. Port 0: one the system gives (port() once started).
    explicit HeadlessServerRun(const QString &more = {}, quint16 port = 0)
        : m_portText(QString::number(port))
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("V610"));
        m_process = std::make_unique<ProgramProcess>(
            QStringLiteral(SERVER_PATH),
            QStringList{QStringLiteral("--headless"), QStringLiteral("--port"), m_portText,
                        QStringLiteral("--tick-ms"), QStringLiteral("100")} +
                (more.isEmpty() ? QStringList() : more.split(u' ')),
            m_dir.path());
    }

    // In the working folder, which is also the base of the operating system folders.
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    void write(const QString &relative, const QByteArray &content) const
    {
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    bool start() { return (m_port = m_process->startListening()) != 0; }
    bool stop(int signalNumber = SIGTERM)
    {
        m_process->signal(signalNumber);
        return m_process->waitForExit() && m_process->exitCode() == 0;
    }
    ProgramProcess &process() { return *m_process; }
    quint16 port() const { return m_port; }
    QString portText() const { return m_portText; }
    QString stoppedLine() const { return "Stopped, listening on port " + m_portText; }

    // Sends the request and lets the unit answer until it has the last packet and the server
    // has taken the last answer (until then a new request would reach a busy server).
    bool serve(UdpUnitClient &unit, const QByteArray &request, const QString &success)
    {
        if (!unit.open())
            return false;
        unit.sendRequest(request, loopback, m_port);
        return QTest::qWaitFor([&] { return unit.isComplete(); }, 30000) &&
               m_process->waitForLine(success);
    }

    QList<QByteArray> logLines() const
    {
        QFile file(path(QStringLiteral("log.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines;
        while (!file.atEnd())
            lines << file.readLine();
        return lines;
    }

private:
    QTemporaryDir m_dir;
    QString m_portText;
    quint16 m_port = 0;
    std::unique_ptr<ProgramProcess> m_process;
};
