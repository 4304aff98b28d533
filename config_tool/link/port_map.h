#pragma once

#include <QMap>
#include <QString>

// Which device stands behind each entry "COMk" of the port list. On Windows COMk is the port
// itself; elsewhere it defaults to /dev/ttyS(k-1). A device the user chose for an entry (kept
// between runs) replaces the default, and a mapping given on the command line
// ("COM1=/dev/ttyUSB0") replaces both for the run.
class PortMap
{
public:
    // The device opened for port number k (1 for COM1).
    QString device(int portNumber) const;

    // Reads "COMk=device" (COM in any case, k from 1). False when the text is not of that form.
    bool addMapping(const QString &text);

    // The platform's own device of port number k, without mappings.
    static QString defaultDevice(int portNumber);

    // The device chosen for port number k (empty: none, the default stands).
    void choose(int portNumber, const QString &device);
    QString chosen(int portNumber) const { return m_chosen.value(portNumber); }
    // Whether the command line put a device behind port number k.
    bool isGivenForRun(int portNumber) const { return m_mapped.contains(portNumber); }

private:
    QMap<int, QString> m_mapped;
    QMap<int, QString> m_chosen;
};
