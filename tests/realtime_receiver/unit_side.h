#pragma once

// The unit's side of the real-time exchange over loopback UDP, for the receiver's tests.
#include <QByteArray>
#include <QHostAddress>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUdpSocket>

inline const QHostAddress loopback(QStringLiteral("127.0.0.1"));

// One unit: sends its messages to the receiver and reads the acknowledgements. Blocking, so it
// can run on its own thread while the receiver's listening loop holds the test's thread.
struct UnitSide
{
    explicit UnitSide(quint16 port) : receiverPort(port) { socket.bind(loopback, 0); }

    void send(const QByteArray &message) { socket.writeDatagram(message, loopback, receiverPort); }

    // The next acknowledgement; empty when none came within the time.
    QByteArray reply(int timeoutMs = 10000)
    {
        if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(timeoutMs))
            return {};
        QByteArray data(int(socket.pendingDatagramSize()), '\0');
        socket.readDatagram(data.data(), data.size());
        return data;
    }
    QByteArray ask(const QByteArray &message)
    {
        send(message);
        return reply();
    }

    quint16 receiverPort;
    QUdpSocket socket;
};

// What a query on the receiver's record file gives: each row's values joined by blanks.
inline QStringList queryRows(const QString &file, const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), file);
        database.setDatabaseName(file);
        database.open(); // a file that cannot be opened gives no rows
        QSqlQuery query(sql, database);
        while (query.next()) {
            QStringList cells;
            for (int c = 0; c < query.record().count(); ++c)
                cells << query.value(c).toString();
            rows << cells.join(u' ');
        }
    }
    QSqlDatabase::removeDatabase(file);
    return rows;
}

// The traffic the receiver recorded, oldest first.
inline QStringList recordedRows(const QString &file, const QString &columns)
{
    return queryRows(file, QStringLiteral("SELECT %1 FROM traffic ORDER BY rowid").arg(columns));
}
