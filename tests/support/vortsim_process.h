#pragma once

#include "link/port_map.h"

#include <QProcess>
#include <QStringList>

// Runs the vortsim program on a pseudo-terminal for a test or a benchmark and stops it again:
// the one rig of "the simulated unit behind the production serial layer" (QtSerialPort on
// comOne()).
class VortsimProcess
{
public:
    explicit VortsimProcess(const QStringList &arguments = {});
    ~VortsimProcess();

    // Starts vortsim and waits (up to 10 s) for the device path it prints. False on failure.
    bool start();
    // The pseudo-terminal to open as the serial port, e.g. /dev/pts/3.
    QString device() const { return m_device; }
    // The port map that puts the pseudo-terminal behind COM1, for the production serial port.
    PortMap comOne() const;
    qint64 processId() const { return m_process.processId(); }
    QProcess &process() { return m_process; }

private:
    QStringList m_arguments;
    QProcess m_process;
    QString m_device;
};
