#pragma once

#include "link/port_map.h"
#include "support/program_process.h"

// Runs the vortsim program on a pseudo-terminal for a test or a benchmark and stops it again:
// the one rig of "the simulated unit behind the production serial layer" (QtSerialPort on
// comOne()).
class VortsimProcess : public ProgramProcess
{
public:
    explicit VortsimProcess(const QStringList &arguments = {})
        : ProgramProcess(QStringLiteral(VORTSIM_PATH), arguments)
    {
    }

    // Starts vortsim and waits (up to 10 s) for the device path it prints. False on failure.
    bool start();
    // The pseudo-terminal to open as the serial port, e.g. /dev/pts/3.
    QString device() const { return m_device; }
    // The port map that puts the pseudo-terminal behind COM1, for the production serial port.
    PortMap comOne() const;

private:
    QString m_device;
};
