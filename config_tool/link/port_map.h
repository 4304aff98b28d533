#pragma once

#include <QMap>
#include <QString>

// Which device stands behind each entry "COMk" of the port list. On Windows COMk is the port
// itself; elsewhere it defaults to /dev/ttyS(k-1). A mapping given on the command line
// ("COM1=/dev/ttyUSB0") puts any device behind any entry.
class PortMap
{
public:
    // The device opened for port number k (1 for COM1).
    QString device(int portNumber) const;

    // Reads "COMk=device" (COM in any case, k from 1). False when the text is not of that form.
    bool addMapping(const QString &text);

    // The platform's own device of port number k, without mappings.
    static QString defaultDevice(int portNumber);

private:
    QMap<int, QString> m_mapped;
};
