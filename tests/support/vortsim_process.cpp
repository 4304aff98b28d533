#include "vortsim_process.h"

#include <QElapsedTimer>

#if defined(Q_OS_LINUX)
#include <csignal>
#include <sys/prctl.h>
#endif

VortsimProcess::VortsimProcess(const QStringList &arguments) : m_arguments(arguments) {}

VortsimProcess::~VortsimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

bool VortsimProcess::start()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#if defined(Q_OS_LINUX)
    // A test that dies does not leave its unit behind.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    m_process.start(QStringLiteral(VORTSIM_PATH), m_arguments);
    if (!m_process.waitForStarted(10000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (!m_process.canReadLine() && timer.elapsed() < 10000) {
        if (!m_process.waitForReadyRead(10000 - static_cast<int>(timer.elapsed())))
            break;
    }
    if (!m_process.canReadLine())
        return false;
    m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return !m_device.isEmpty();
}

PortMap VortsimProcess::comOne() const
{
    PortMap map;
    map.addMapping(QStringLiteral("COM1=") + m_device);
    return map;
}
