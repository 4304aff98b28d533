#include "vortsim_process.h"

bool VortsimProcess::start()
{
    const auto named = [](const QString &line) { return !line.trimmed().isEmpty(); };
    if (!ProgramProcess::start() || !waitForLine(named, 10000))
        return false;
    m_device = lines().constFirst().trimmed();
    return named(m_device);
}

PortMap VortsimProcess::comOne() const
{
    PortMap map;
    map.addMapping(QStringLiteral("COM1=") + m_device);
    return map;
}
