#include "position_log.h"

#include "common/quoted_fields.h"

#include <QRegularExpression>

#include <algorithm>

namespace PositionLog {

namespace {
// Characters first to last of the reversed record, numbered from 1 as the unit documents them.
QByteArray characters(const QByteArray &record, int first, int last)
{
    return record.mid(first - 1, last - first + 1);
}

// An empty field (no hemisphere known yet) is nothing between its commas, as the log's format
// has it, not two double quotes.
QByteArray quoted(const QByteArray &text)
{
    return text.isEmpty() ? QByteArray() : QuotedFields::quoted(fromSingleByte(text));
}

constexpr int maximumAttempts = 10000;
} // namespace

QByteArray LineWriter::line(const QByteArray &received)
{
    // The unit sends the record last character first.
    QByteArray record = received;
    std::reverse(record.begin(), record.end());
    // A record garbled on the line must still make one line of eight fields: a quote or a line
    // end inside it would split the line, so they become "?".
    for (char &c : record)
        if (c == '"' || c == '\r' || c == '\n')
            c = '?';
    const char code = record.size() >= 24 ? record.at(23) : '\0';
    switch (code) {
    case '0':
        m_latitudeLetter = "N";
        m_longitudeLetter = "E";
        break;
    case '1':
        m_latitudeLetter = "S";
        m_longitudeLetter = "E";
        break;
    case '2':
        m_latitudeLetter = "N";
        m_longitudeLetter = "W";
        break;
    case '3':
        m_latitudeLetter = "S";
        m_longitudeLetter = "W";
        break;
    default:
        break; // the previous record's letters stay
    }
    const QByteArray date = characters(record, 33, 34) + '/' + characters(record, 35, 36) + '/' +
                            characters(record, 37, 38);
    const QByteArray time =
        characters(record, 1, 2) + ':' + characters(record, 3, 4) + ':' + characters(record, 5, 6);
    const QByteArray latitude = characters(record, 7, 10) + '.' + characters(record, 11, 14);
    const QByteArray longitude = characters(record, 15, 19) + '.' + characters(record, 20, 23);
    const QByteArray speed = characters(record, 25, 27) + '.' + characters(record, 28, 28);
    const QByteArray course = characters(record, 29, 31) + '.' + characters(record, 32, 32);
    return QuotedFields::line({quoted(date), quoted(time), quoted(latitude),
                               quoted(m_latitudeLetter), quoted(longitude),
                               quoted(m_longitudeLetter), quoted(speed), quoted(course)});
}

QString fileName(const QDateTime &moment, const QLocale &locale)
{
    const bool cLocale = locale.language() == QLocale::C;
    const QString dateFormat =
        cLocale ? QStringLiteral("dd/MM/yyyy") : locale.dateFormat(QLocale::ShortFormat);
    // The time keeps its seconds, as the system's time format does; the time zone that some
    // long formats carry has no place in a file name.
    QString timeFormat = QStringLiteral("HH:mm:ss");
    if (!cLocale) {
        timeFormat = locale.timeFormat(QLocale::LongFormat);
        static const QRegularExpression zoneField(QStringLiteral("\\s*\\bt+\\b\\s*"));
        timeFormat.remove(zoneField);
        timeFormat = timeFormat.trimmed();
    }
    QString date = locale.toString(moment.date(), dateFormat);
    QString time = locale.toString(moment.time(), timeFormat);
    date.replace(QLatin1Char('/'), QLatin1Char('-'));
    time.replace(QLatin1Char(':'), QLatin1Char('.'));
    return date + QStringLiteral("L_") + time + QStringLiteral(".csv");
}

QString candidateName(const QString &name, int attempt)
{
    if (attempt <= 1)
        return name;
    const QString suffix = QStringLiteral(".csv");
    const QString stem = name.endsWith(suffix) ? name.chopped(suffix.size()) : name;
    return stem + QStringLiteral("-%1").arg(attempt) + suffix;
}

bool File::create(const QString &name)
{
    for (int attempt = 1; attempt <= maximumAttempts; ++attempt) {
        const QString candidate = candidateName(name, attempt);
        m_file.setFileName(candidate);
        // NewOnly: an existing file is never opened, so it can never be emptied.
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!QFile::exists(candidate))
            return false; // not taken, simply not creatable
    }
    return false;
}

bool File::writeLine(const QByteArray &line)
{
    return m_file.write(line) == line.size() && m_file.flush();
}

} // namespace PositionLog
