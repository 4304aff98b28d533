#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>
#include <vector>

// The record of Quellix's traffic (--record FILE): every message received and every
// acknowledgement sent, one row each in the SQLite table traffic(time, direction, address, port,
// identifier, data). Rows are collected here and written on a thread of their own, in one
// transaction a few times a second, so the answers never wait for the disk. When the file
// cannot be written the record stops with one failed() report; what was committed stays.
class TrafficRecord : public QObject
{
    Q_OBJECT
public:
    enum class Direction { Received, Sent };

    explicit TrafficRecord(QObject *parent = nullptr);
    // Writes the rows collected so far, then closes the file.
    ~TrafficRecord() override;

    // Opens (or creates) the database and its table; false (and failed()) when it cannot.
    bool open(const QString &fileName);
    bool isRecording() const { return m_recording; }

    void add(Direction direction, qint64 utcMs, const QString &address, quint16 port,
             const QString &identifier, const QByteArray &data);
    // Hands the rows collected so far to the writer.
    void flush();

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
    class Writer;
    void stop(const QString &what, const QString &reason);

    QString m_fileName;
    std::unique_ptr<Writer> m_writer; // used on m_thread only
    QThread m_thread;
    QObject *m_writerContext = nullptr; // lives on m_thread
    std::vector<Row> m_rows;
    // Rows handed over and not yet written: a disk that cannot keep up stops the record
    // instead of filling the memory.
    std::atomic<qint64> m_rowsInFlight{0};
    QTimer m_flushTimer;
    bool m_recording = false;
    bool m_stopped = false;
};
