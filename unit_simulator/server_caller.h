#pragma once

#include "udp_unit_client.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

// A unit that calls a remote download server over UDP, as a unit in the field does: it sends
// its request (e.g. "VAN042,V610,CONFIG": its identification, its version, what it wants),
// acknowledges every packet, and
// calls again when the server has said nothing for a while (not listening yet, or busy).
// Several requests are made one after the other; finished() follows the last transfer.
class ServerCaller : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QHostAddress server = QHostAddress::LocalHost;
        quint16 port = 6081;
        QList<QByteArray> requests;
        int recallMs = 6000; // silence after which the unit calls again
        int pauseMs = 2000;  // between one completed transfer and the next request
        int dropEvery = 0;   // ignore every n-th packet, to show the server's resends
    };
    using Report = std::function<void(const QString &)>;

    ServerCaller(Options options, Report report, QObject *parent = nullptr);

    // Binds the unit's own port and makes the first call; false when it cannot bind.
    bool start();

    int completedTransfers() const { return m_completed; }
    const UdpUnitClient &unit() const { return m_unit; }

    // What one completed transfer brought, in a line: the image bytes of a configuration or
    // table, the characters of an operating system.
    static QString summary(const QByteArray &request, const UdpUnitClient &unit);

signals:
    void transferCompleted(const QByteArray &request, const QByteArray &data);
    void finished();

private:
    void call();
    void packetReceived(const QByteArray &packet);
    void completed();

    Options m_options;
    Report m_report;
    UdpUnitClient m_unit;
    QTimer m_recall;
    int m_next = 0;
    int m_completed = 0;
};
