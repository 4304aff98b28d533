#include "unit_position_log.h"

#include <QFile>

#include <cmath>
#include <numbers>

namespace {
// A value as digits: whole part padded to wholeDigits, then decimals (no point).
QByteArray digits(double value, int wholeDigits, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const auto scaled = static_cast<long long>(std::llround(std::fabs(value) * scale));
    return QByteArray::number(scaled).rightJustified(wholeDigits + decimals, '0');
}

// Degrees as degrees and minutes with four decimals of a minute: ddmmmmmm or dddmmmmmm.
QByteArray degreesMinutes(double degrees, int degreeDigits)
{
    const double magnitude = std::fabs(degrees);
    int whole = static_cast<int>(magnitude);
    long long tenThousandths = std::llround((magnitude - whole) * 60.0 * 10000.0);
    if (tenThousandths >= 600000) {
        ++whole;
        tenThousandths -= 600000;
    }
    return QByteArray::number(whole).rightJustified(degreeDigits, '0') +
           QByteArray::number(tenThousandths).rightJustified(6, '0');
}
} // namespace

UnitPositionLog::UnitPositionLog(QObject *parent) : QObject(parent)
{
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, &UnitPositionLog::sendNext);
}

QByteArray UnitPositionLog::record(const QDateTime &time, double latitude, double longitude,
                                   double speed, double course)
{
    const char hemisphere =
        latitude >= 0 ? (longitude >= 0 ? '0' : '2') : (longitude >= 0 ? '1' : '3');
    return time.toString(QStringLiteral("HHmmss")).toLatin1() + degreesMinutes(latitude, 2) +
           degreesMinutes(longitude, 3) + hemisphere + digits(speed, 3, 1) + digits(course, 3, 1) +
           time.toString(QStringLiteral("ddMMyy")).toLatin1();
}

QList<QByteArray> UnitPositionLog::sampleDrive(int count)
{
    // Through a city and out along a coast road, speed and heading changing smoothly.
    QList<QByteArray> records;
    QDateTime time(QDate(2026, 12, 6), QTime(14, 3, 27));
    double latitude = 51.507535;
    double longitude = -0.126130;
    for (int i = 0; i < count; ++i) {
        const double speed = 38.0 + 22.0 * std::sin(i / 7.0) + 6.0 * std::sin(i / 2.3);
        const double course = std::fmod(200.0 + 90.0 * std::sin(i / 19.0) + 360.0, 360.0);
        records.append(record(time, latitude, longitude, speed, course));
        // 30 seconds at speed km/h along course.
        const double kilometres = speed * 30.0 / 3600.0;
        const double radians = course * std::numbers::pi / 180.0;
        latitude += kilometres * std::cos(radians) / 111.2;
        longitude += kilometres * std::sin(radians) /
                     (111.2 * std::cos(latitude * std::numbers::pi / 180.0));
        time = time.addSecs(30);
    }
    return records;
}

std::optional<QList<QByteArray>> UnitPositionLog::readRecords(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    QList<QByteArray> records;
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        if (line.size() != recordLength) {
            error = QStringLiteral("%1 line %2: a record has %3 characters, not %4")
                        .arg(path)
                        .arg(lineNumber)
                        .arg(line.size())
                        .arg(recordLength);
            return std::nullopt;
        }
        records.append(line);
    }
    return records;
}

void UnitPositionLog::begin(UnitLine &line)
{
    m_line = &line;
    m_record = 0;
    m_position = 0;
    m_sent = 0;
    m_done = false;
    m_awaiting = Awaiting::Nothing;
    // The first record goes out on its own once the line runs at the new speed.
    sendNextAfter(m_startDelayMs);
}

void UnitPositionLog::receive(const QByteArray &characters, UnitLine &line)
{
    m_line = &line;
    for (const char c : characters) {
        if (m_awaiting == Awaiting::CharacterAnswer && c == 'N') {
            sendNextAfter(m_characterDelayMs);
        } else if (m_awaiting == Awaiting::RecordAnswer && c == '1') {
            ++m_record;
            m_position = 0;
            emit recordConfirmed(m_record);
            sendNextAfter(m_characterDelayMs);
        }
    }
}

void UnitPositionLog::abandon()
{
    m_next.stop();
    m_awaiting = Awaiting::Nothing;
    m_done = true;
    m_line = nullptr;
}

void UnitPositionLog::sendNextAfter(int ms)
{
    m_awaiting = Awaiting::Nothing;
    if (ms <= 0) {
        sendNext();
    } else {
        m_next.start(ms);
    }
}

void UnitPositionLog::sendNext()
{
    m_awaiting = Awaiting::Nothing;
    if (!m_line)
        return;
    if (m_silentAfter >= 0 && m_sent >= m_silentAfter)
        return; // silent, but not finished: the PC has to notice by itself
    if (m_record >= m_records.size()) {
        m_line->transmit("E");
        m_done = true;
        return;
    }
    const QByteArray &current = m_records.at(m_record);
    int count = 1;
    if (m_sent + 1 == m_burstAt && m_position + 1 < current.size())
        count = 2;
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += current.at(current.size() - 1 - m_position - i); // last character first
    m_position += count;
    m_sent += count;
    m_awaiting = m_position < current.size() ? Awaiting::CharacterAnswer : Awaiting::RecordAnswer;
    m_line->transmit(out);
}
