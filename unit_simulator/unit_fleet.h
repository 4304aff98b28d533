#pragma once

#include "udp_unit_client.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

// Many units calling one Server at the same moment, each from its own UDP port, each answering
// every packet after a chosen delay: a fleet on one PC, to see how the Server copes.
class UnitFleet : public QObject
{
    Q_OBJECT
public:
    // The identifier of the fleet's unit number i (from 0): "00042U".
    static QByteArray unitIdentifier(int i);

    struct Options
    {
        QHostAddress server = QHostAddress::LocalHost;
        quint16 port = 6081;
        QByteArray request; // each unit's first six characters become its number, e.g. 00042U
        int units = 100;
        int answerDelayMs = 0;
        int recallMs = 6000; // a unit not yet answered calls again after this long
        int quietMs = 60000; // a unit that hears nothing for this long is counted as given up
    };

    explicit UnitFleet(Options options, QObject *parent = nullptr);

    // Opens every unit's port and sends every request; false when a port cannot be opened.
    bool start();

    int completed() const { return m_completed; }
    int givenUp() const { return m_givenUp; }
    qint64 packets() const;
    // From the first request to the last unit's end.
    qint64 elapsedMs() const { return m_elapsedMs; }

signals:
    void finished();

private:
    void unitEnded(bool complete);
    void checkQuiet();
    void call(size_t unit);

    Options m_options;
    std::vector<std::unique_ptr<UdpUnitClient>> m_units;
    std::vector<qint64> m_lastHeard;
    std::vector<qint64> m_lastCall;
    std::vector<QByteArray> m_requests;
    std::vector<bool> m_ended;
    QElapsedTimer m_clock;
    QTimer m_quietCheck;
    int m_completed = 0;
    int m_givenUp = 0;
    qint64 m_elapsedMs = 0;
};
