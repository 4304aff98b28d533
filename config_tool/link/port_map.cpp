#include "port_map.h"

#include <QRegularExpression>

QString PortMap::device(int portNumber) const
{
    if (m_mapped.contains(portNumber))
        return m_mapped.value(portNumber);
    return m_chosen.value(portNumber, defaultDevice(portNumber));
}

void PortMap::choose(int portNumber, const QString &device)
{
    if (device.isEmpty())
        m_chosen.remove(portNumber);
    else
        m_chosen.insert(portNumber, device);
}

bool PortMap::addMapping(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^COM([1-9][0-9]*)=(.+)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    bool ok = false;
    const int portNumber = match.captured(1).toInt(&ok);
    if (!ok)
        return false;
    m_mapped.insert(portNumber, match.captured(2));
    return true;
}

QString PortMap::defaultDevice(int portNumber)
{
#if defined(Q_OS_WIN)
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}
