#pragma once

#include <QProcess>
#include <QStringList>

// Runs the vortsim program on a pseudo-terminal for a test and stops it again.
class VortsimProcess
{
public:
    explicit VortsimProcess(const QStringList &arguments = {});
    ~VortsimProcess();

    // Starts vortsim and waits (up to 10 s) for the device path it prints. False on failure.
    bool start();
    // The pseudo-terminal to open as the serial port, e.g. /dev/pts/3.
    QString device() const { return m_device; }
    qint64 processId() const { return m_process.processId(); }
    QProcess &process() { return m_process; }

private:
    QStringList m_arguments;
    QProcess m_process;
    QString m_device;
};
