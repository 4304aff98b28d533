#pragma once

// What the download tests share: the server's success lines and files to send.
#include "support/server_fixture.h"

#include "unit_simulator/udp_unit_client.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

inline const QString osSuccess =
    QStringLiteral("Operating system has been downloaded successfull !");
inline const QString configSuccess =
    QStringLiteral("Configuration file has been downloaded successfull !");
inline const QString gpsSuccess =
    QStringLiteral("GPS Camera file has been downloaded successfull !");

// Every byte value, line breaks included: a file travels as stored.
inline QByteArray fileOf(qsizetype size, int seed = 13)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 7 + seed) % 256);
    return data;
}

// Image builders that hand out fixed images and remember what they were asked for.
struct FixedImages
{
    QByteArray configuration = fileOf(downloadImageSize, 1);
    QByteArray gps = fileOf(downloadImageSize, 2);
    QByteArrayList requests; // "GPS" for the table

    ServerImageResult give(const QByteArray &request, const QByteArray &built, QByteArray &image)
    {
        requests << request;
        image = built;
        return {ServerImageResult::Status::Built, {}};
    }
    ServerImageSource source()
    {
        ServerImageSource images;
        images.configuration = [this](const QString &, const QByteArray &request,
                                      QByteArray &image) {
            return give(request, configuration, image);
        };
        images.gps = [this](const QString &, QByteArray &image) { return give("GPS", gps, image); };
        return images;
    }
};

// What a unit puts together from a file: filled up with 'F' to whole packets.
inline QByteArray padded(QByteArray data)
{
    constexpr int size = UdpUnitClient::dataSize;
    data.append((size - data.size() % size) % size, 'F');
    return data;
}

// A line as a server serving several units at once shows it: the unit's identifier (the first
// six characters of its request) and address.
inline QString named(const QString &text, const char *identifier, const UdpUnitClient &unit)
{
    return text + QStringLiteral(" (unit %1 127.0.0.1:%2)")
                      .arg(QLatin1String(identifier))
                      .arg(unit.port());
}

// A line of "log.txt" after its stamp: the text quoted, then CR LF.
inline QByteArray logLine(const QString &text)
{
    return "\"" + text.toLatin1() + "\"\r\n";
}
inline const QByteArray logStart = logLine(QStringLiteral(" Remote download started."));

// The lines of "log.txt" without their stamps (a line without a well-formed stamp is kept whole,
// so it fails the comparison).
inline QList<QByteArray> logTexts(const QList<QByteArray> &lines)
{
    static const QRegularExpression stamp(
        QStringLiteral("^#\\d{4}-\\d{2}-\\d{2}( \\d{2}:\\d{2}:\\d{2})?#,(?=\")"));
    QList<QByteArray> texts;
    for (const QByteArray &line : lines)
        texts << QString::fromLatin1(line).remove(stamp).toLatin1();
    return texts;
}
