#include "gpx_track.h"

#include "common/console_lines.h"
#include "common/quoted_fields.h"
#include "common/whole_file.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>
#include <QXmlStreamWriter>

#include <optional>

namespace GpxTrack {

namespace {
QString gpxNamespace()
{
    return QStringLiteral("http://www.topografix.com/GPX/1/1");
}
QString instanceNamespace()
{
    return QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
}
constexpr int fieldCount = 8; // date, time, latitude, N/S, longitude, E/W, speed, course
// Angles are kept as whole ten-millionths of a degree, so the decimal text is exact.
constexpr qint64 unitsPerDegree = 10000000;

struct Point
{
    qint64 latitude = 0;
    qint64 longitude = 0;
    QString time; // xsd:dateTime, UTC
    QString speed;
    QString course;
};

// The lines of the log, whatever their ends (CR LF, LF or CR).
QList<QByteArray> lines(const QByteArray &content)
{
    QList<QByteArray> result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n')
            continue;
        result.append(content.mid(start, i - start));
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        result.append(content.mid(start));
    return result;
}

// "ddmm.mmmm" (latitude) or "dddmm.mmmm" (longitude) in ten-millionths of a degree, unsigned;
// nullopt for another layout, minutes of 60 or more, or more than maximum degrees.
std::optional<qint64> angle(const QString &text, const QRegularExpression &layout, int maximum)
{
    const QRegularExpressionMatch match = layout.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 degrees = match.captured(1).toLongLong();
    const qint64 minutes = match.captured(2).toLongLong();
    const qint64 tenThousandths = match.captured(3).toLongLong();
    if (minutes >= 60)
        return std::nullopt;
    const qint64 inTenThousandthsOfMinute = (degrees * 60 + minutes) * 10000 + tenThousandths;
    if (inTenThousandthsOfMinute > qint64(maximum) * 60 * 10000)
        return std::nullopt;
    // units = n * 10^7 / 600000 = n * 50 / 3, rounded to the nearest.
    return (inTenThousandthsOfMinute * 50 + 1) / 3;
}

// +1 or -1 for the hemisphere letter; nullopt for any other text (an empty letter after an
// unknown first hemisphere code included).
std::optional<int> sign(const QString &letter, QChar positive, QChar negative)
{
    if (letter == positive)
        return 1;
    if (letter == negative)
        return -1;
    return std::nullopt;
}

std::optional<Point> pointOf(const QStringList &fields)
{
    static const QRegularExpression dateLayout(
        QStringLiteral("^([0-9]{2})/([0-9]{2})/([0-9]{2})$"));
    static const QRegularExpression timeLayout(
        QStringLiteral("^([0-9]{2}):([0-9]{2}):([0-9]{2})$"));
    static const QRegularExpression latitudeLayout(
        QStringLiteral("^([0-9]{2})([0-9]{2})\\.([0-9]{4})$"));
    static const QRegularExpression longitudeLayout(
        QStringLiteral("^([0-9]{3})([0-9]{2})\\.([0-9]{4})$"));
    static const QRegularExpression tenthsLayout(QStringLiteral("^[0-9]{3}\\.[0-9]$"));

    if (fields.size() != fieldCount)
        return std::nullopt;
    const QRegularExpressionMatch date = dateLayout.match(fields[0]);
    const QRegularExpressionMatch time = timeLayout.match(fields[1]);
    const std::optional<qint64> latitude = angle(fields[2], latitudeLayout, 90);
    const std::optional<int> north = sign(fields[3], QLatin1Char('N'), QLatin1Char('S'));
    const std::optional<qint64> longitude = angle(fields[4], longitudeLayout, 180);
    const std::optional<int> east = sign(fields[5], QLatin1Char('E'), QLatin1Char('W'));
    if (!date.hasMatch() || !time.hasMatch() || !latitude || !north || !longitude || !east ||
        !tenthsLayout.match(fields[6]).hasMatch() || !tenthsLayout.match(fields[7]).hasMatch())
        return std::nullopt;

    const QDate day(2000 + date.captured(3).toInt(), date.captured(2).toInt(),
                    date.captured(1).toInt());
    const QTime clock(time.captured(1).toInt(), time.captured(2).toInt(), time.captured(3).toInt());
    if (!day.isValid() || !clock.isValid())
        return std::nullopt;

    Point point;
    point.latitude = *north * *latitude;
    point.longitude = *east * *longitude;
    // 180 E is 180 W: GPX keeps longitudes below 180.
    if (point.longitude == 180 * unitsPerDegree)
        point.longitude = -point.longitude;
    point.time = day.toString(Qt::ISODate) + QLatin1Char('T') + clock.toString(Qt::ISODate) +
                 QLatin1Char('Z');
    point.speed = fields[6];
    point.course = fields[7];
    return point;
}

// Ten-millionths of a degree as a decimal text without trailing zeros: "-0.12613".
QString degreesText(qint64 units)
{
    const qint64 magnitude = units < 0 ? -units : units;
    QString text = QString::number(magnitude / unitsPerDegree);
    QString fraction =
        QString::number(magnitude % unitsPerDegree).rightJustified(7, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty())
        text += QLatin1Char('.') + fraction;
    return units < 0 ? QLatin1Char('-') + text : text;
}

// A file name may hold characters XML cannot carry.
QString printableName(QString name)
{
    for (QChar &c : name) {
        if (c.unicode() < 0x20)
            c = QLatin1Char('?');
    }
    return name;
}

QByteArray document(const QList<Point> &points, const QString &name)
{
    QByteArray result;
    QXmlStreamWriter xml(&result);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(gpxNamespace());
    xml.writeNamespace(QString::fromLatin1(extensionNamespace), QStringLiteral("vort"));
    xml.writeNamespace(instanceNamespace(), QStringLiteral("xsi"));
    xml.writeStartElement(gpxNamespace(), QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("vortsetup"));
    xml.writeAttribute(instanceNamespace(), QStringLiteral("schemaLocation"),
                       gpxNamespace() + QStringLiteral(" ") + gpxNamespace() +
                           QStringLiteral("/gpx.xsd"));
    xml.writeStartElement(gpxNamespace(), QStringLiteral("trk"));
    xml.writeTextElement(gpxNamespace(), QStringLiteral("name"), printableName(name));
    xml.writeStartElement(gpxNamespace(), QStringLiteral("trkseg"));
    const QString extensions = QString::fromLatin1(extensionNamespace);
    for (const Point &point : points) {
        xml.writeStartElement(gpxNamespace(), QStringLiteral("trkpt"));
        xml.writeAttribute(QStringLiteral("lat"), degreesText(point.latitude));
        xml.writeAttribute(QStringLiteral("lon"), degreesText(point.longitude));
        xml.writeTextElement(gpxNamespace(), QStringLiteral("time"), point.time);
        xml.writeStartElement(gpxNamespace(), QStringLiteral("extensions"));
        xml.writeTextElement(extensions, QStringLiteral("speed"), point.speed);
        xml.writeTextElement(extensions, QStringLiteral("course"), point.course);
        xml.writeEndElement(); // extensions
        xml.writeEndElement(); // trkpt
    }
    xml.writeEndDocument();
    return result;
}

QString leftOutText(const Track &track)
{
    if (track.leftOut == 0)
        return QString();
    QStringList numbers;
    for (const int line : track.firstLeftOutLines)
        numbers << QString::number(line);
    if (track.leftOut > track.firstLeftOutLines.size())
        numbers << QStringLiteral("...");
    const bool one = track.leftOut == 1;
    return QStringLiteral("%1 %2 left out, %3 %4")
        .arg(QString::number(track.leftOut),
             one ? QStringLiteral("record") : QStringLiteral("records"),
             one ? QStringLiteral("line") : QStringLiteral("lines"),
             numbers.join(QStringLiteral(", ")));
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
} // namespace

Track fromLog(const QByteArray &log, const QString &name)
{
    Track track;
    QList<Point> points;
    // A log saved again by a spreadsheet may start with a UTF-8 byte order mark.
    const QByteArray byteOrderMark = "\xEF\xBB\xBF";
    const QList<QByteArray> logLines =
        lines(log.startsWith(byteOrderMark) ? log.mid(byteOrderMark.size()) : log);
    for (qsizetype i = 0; i < logLines.size(); ++i) {
        // Each line is read on its own, so a garbled line (a stray quote) spoils no other.
        QuotedFieldReader reader(logLines[i]);
        QStringList fields;
        QuotedField field;
        while (reader.next(field))
            fields << field.text;
        if (fields.isEmpty())
            continue; // a blank line holds no record
        if (const std::optional<Point> point = pointOf(fields)) {
            points.append(*point);
            continue;
        }
        ++track.leftOut;
        if (track.firstLeftOutLines.size() < linesNamed)
            track.firstLeftOutLines.append(int(i + 1));
    }
    track.points = int(points.size());
    if (!points.isEmpty())
        track.document = document(points, name);
    return track;
}

QString besideName(const QString &logPath)
{
    const QString csv = QStringLiteral(".csv");
    const QString stem =
        logPath.endsWith(csv, Qt::CaseInsensitive) ? logPath.chopped(csv.size()) : logPath;
    return stem + QStringLiteral(".gpx");
}

Status convert(const QString &logPath, const QString &gpxPath)
{
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly)) {
        ConsoleLines::writeError(shown(logPath) + QStringLiteral(": cannot read: ") +
                                 log.errorString());
        return Status::FileError;
    }
    const QByteArray content = log.readAll();
    if (log.error() != QFileDevice::NoError) {
        ConsoleLines::writeError(shown(logPath) + QStringLiteral(": cannot read: ") +
                                 log.errorString());
        return Status::FileError;
    }
    log.close();
    if (QFileInfo(logPath) == QFileInfo(gpxPath)) {
        ConsoleLines::writeError(shown(gpxPath) +
                                 QStringLiteral(": the track would replace the log"));
        return Status::FileError;
    }

    const Track track = fromLog(content, QFileInfo(logPath).completeBaseName());
    if (track.points == 0) {
        const QString leftOut = leftOutText(track);
        ConsoleLines::writeError(
            shown(logPath) + QStringLiteral(": no usable record") +
            (leftOut.isEmpty() ? QString() : QStringLiteral(" (") + leftOut + QStringLiteral(")")) +
            QStringLiteral("; no track written"));
        return Status::NothingUsable;
    }

    QString whyNot;
    if (!WholeFile::write(gpxPath, track.document, &whyNot)) {
        ConsoleLines::writeError(shown(gpxPath) + QStringLiteral(": cannot write: ") + whyNot);
        return Status::FileError;
    }
    ConsoleLines::write(
        QStringLiteral("%1: %2 %3 written")
            .arg(shown(gpxPath))
            .arg(track.points)
            .arg(track.points == 1 ? QStringLiteral("point") : QStringLiteral("points")));
    if (track.leftOut > 0)
        ConsoleLines::write(leftOutText(track));
    return Status::Written;
}

} // namespace GpxTrack
