#pragma once

#include <QByteArray>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTimer>

#include <vector>

// The record of Quellix's traffic (--record FILE): every message received and every
// acknowledgement sent, one row each in the SQLite table traffic(time, direction, address, port,
// identifier, data). Rows are written in batches, one transaction a few times a second, so a
// busy fleet does not wait on the disk. When the file cannot be written the record stops with
// one failed() report; what was committed before stays.
class TrafficRecord : public QObject
{
    Q_OBJECT
public:
    enum class Direction { Received, Sent };

    explicit TrafficRecord(QObject *parent = nullptr);
    ~TrafficRecord() override;

    // Opens (or creates) the database and its table; false (and failed()) when it cannot.
    bool open(const QString &fileName);
    QString error() const { return m_error; }
    bool isRecording() const { return m_recording; }

    void add(Direction direction, qint64 utcMs, const QString &address, quint16 port,
             const QString &identifier, const QByteArray &data);
    // Writes the rows not yet written; false when writing failed (the record has stopped).
    bool flush();

signals:
    // Recording could not start or has stopped: the file and the reason, as one line.
    void failed(const QString &line);

private:
    struct Row
    {
        Direction direction;
        qint64 utcMs;
        QString address;
        quint16 port;
        QString identifier;
        QByteArray data;
    };
    bool fail(const QString &what, const QString &reason);
    void close();

    QString m_connection;
    QString m_fileName;
    QSqlDatabase m_database;
    QSqlQuery m_insert;
    std::vector<Row> m_rows;
    QTimer m_flushTimer;
    QString m_error;
    bool m_recording = false;
};
