#pragma once

#include "unit_line.h"

#include <QObject>
#include <QString>

class QSocketNotifier;

// The unit's end of a pseudo-terminal: the PC opens the device path as its serial port. The
// unit keeps the device side open itself, so the PC can close and reopen it at will.
class PtyLine : public QObject, public UnitLine
{
    Q_OBJECT
public:
    explicit PtyLine(QObject *parent = nullptr);
    ~PtyLine() override;

    bool open();
    QString devicePath() const { return m_devicePath; }
    QString errorString() const { return m_error; }

    void transmit(const QByteArray &characters) override;

signals:
    // One arrival of characters from the PC.
    void received(const QByteArray &characters);

private:
    void readAvailable();
    void writePending();

    int m_master = -1;
    int m_device = -1;
    QString m_devicePath;
    QString m_error;
    QByteArray m_pending;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
};
