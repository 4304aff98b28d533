#include "realtime_sender.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <cmath>
#include <numbers>

namespace {
// Degrees as the unit writes them: whole degrees, then minutes with four decimals.
QByteArray degreesMinutes(double degrees, int degreeDigits)
{
    const double magnitude = std::abs(degrees);
    const int whole = int(magnitude);
    const double minutes = (magnitude - whole) * 60.0;
    return QByteArray::number(whole).rightJustified(degreeDigits, '0') +
           QByteArray::number(minutes, 'f', 4).rightJustified(7, '0');
}
} // namespace

RealtimeSender::RealtimeSender(Options options, Report report, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_report(std::move(report)),
      m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &RealtimeSender::readPending);
    connect(&m_timer, &QTimer::timeout, this, &RealtimeSender::sendNext);
}

RealtimeSender::~RealtimeSender() = default;

bool RealtimeSender::start()
{
    if (!m_socket->bind(QHostAddress::LocalHost, 0))
        return false;
    m_timer.start(m_options.intervalMs);
    sendNext();
    return true;
}

void RealtimeSender::sendNext()
{
    if (m_awaitingAnswer)
        m_report(QStringLiteral("no answer to message %1").arg(m_sent));
    if (m_options.count > 0 && m_sent >= m_options.count) {
        m_timer.stop();
        emit finished();
        return;
    }
    const QByteArray message =
        positionMessage(m_options.identifier, m_sent, QDateTime::currentDateTimeUtc());
    m_socket->writeDatagram(message, m_options.receiver, m_options.port);
    ++m_sent;
    m_awaitingAnswer = true;
    m_report(QStringLiteral("sent: %1").arg(QString::fromLatin1(message)));
}

void RealtimeSender::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (!datagram.isValid())
            continue;
        const QByteArray data = datagram.data();
        const auto command = commandOf(data, m_options.identifier);
        if (!command) {
            m_report(QStringLiteral("unexpected datagram: %1").arg(QString::fromLatin1(data)));
            continue;
        }
        m_awaitingAnswer = false;
        ++m_answered;
        QString line = QStringLiteral("answer: %1").arg(QString::fromLatin1(data.chopped(1)));
        if (!command->isEmpty()) {
            m_commands << *command;
            line += QStringLiteral("  -> command \"%1\"").arg(QString::fromLatin1(*command));
        }
        m_report(line);
        emit answerReceived(data);
    }
}

QByteArray RealtimeSender::positionMessage(const QByteArray &identifier, int n,
                                           const QDateTime &utc)
{
    // One lap of a ring road of about 3 km across, 60 messages a lap.
    const double angle = 2.0 * std::numbers::pi * (n % 60) / 60.0;
    const double latitude = 51.4416 + 0.0135 * std::sin(angle);
    const double longitude = 5.4697 + 0.0215 * std::cos(angle);
    const double course = std::fmod(360.0 + 90.0 - angle * 180.0 / std::numbers::pi, 360.0);
    const double speed = 42.0 + 8.0 * std::sin(3.0 * angle);
    const QByteArray fields[] = {
        identifier.left(6),
        utc.toString(QStringLiteral("HHmmss")).toLatin1(),
        degreesMinutes(latitude, 2),
        latitude < 0 ? "S" : "N",
        degreesMinutes(longitude, 3),
        longitude < 0 ? "W" : "E",
        QByteArray::number(speed, 'f', 1).rightJustified(5, '0'),
        QByteArray::number(course, 'f', 1).rightJustified(5, '0'),
        utc.toString(QStringLiteral("ddMMyy")).toLatin1(),
    };
    QByteArray message;
    for (const QByteArray &field : fields)
        message += (message.isEmpty() ? "" : ",") + field;
    return message;
}

std::optional<QByteArray> RealtimeSender::commandOf(const QByteArray &acknowledgement,
                                                    const QByteArray &identifier)
{
    const QByteArray head = identifier.left(6) + ",1";
    if (!acknowledgement.startsWith(head) || !acknowledgement.endsWith('\r'))
        return std::nullopt;
    return acknowledgement.mid(head.size(), acknowledgement.size() - head.size() - 1);
}
