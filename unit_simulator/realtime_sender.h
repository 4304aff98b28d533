#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class QUdpSocket;

// A unit tracking in real time: every interval it sends its position to the real-time receiver
// as one datagram that starts with its six-character identification, and reads the receiver's
// acknowledgement (identifier, ",1", an optional command, CR).
class RealtimeSender : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QHostAddress receiver = QHostAddress::LocalHost; // the unit binds to 127.0.0.1
        quint16 port = 6081;
        QByteArray identifier = "VAN042";
        int intervalMs = 2000;
        int count = 0; // messages to send; 0: until stopped
    };
    using Report = std::function<void(const QString &)>;

    RealtimeSender(Options options, Report report, QObject *parent = nullptr);
    ~RealtimeSender() override;

    // Binds the unit's own port and sends the first message; false when it cannot bind.
    bool start();

    int sent() const { return m_sent; }
    int answered() const { return m_answered; }
    QList<QByteArray> commands() const { return m_commands; }

    // Message n of a drive around a ring road: identifier, time, latitude (ddmm.mmmm), N/S,
    // longitude (dddmm.mmmm), E/W, speed and course with one decimal, date (ddmmyy).
    static QByteArray positionMessage(const QByteArray &identifier, int n, const QDateTime &utc);
    // The command in an acknowledgement of a message starting with identifier: empty when none
    // is attached, nothing when the datagram is not such an acknowledgement.
    static std::optional<QByteArray> commandOf(const QByteArray &acknowledgement,
                                               const QByteArray &identifier);

signals:
    void answerReceived(const QByteArray &acknowledgement);
    void finished();

private:
    void sendNext();
    void readPending();

    Options m_options;
    Report m_report;
    QUdpSocket *m_socket;
    QTimer m_timer;
    int m_sent = 0;
    int m_answered = 0;
    bool m_awaitingAnswer = false;
    QList<QByteArray> m_commands;
};
