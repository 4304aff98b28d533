#pragma once

// What the download tests share: the server's success lines and files to send.
#include "unit_simulator/udp_unit_client.h"

#include <QByteArray>
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

// What a unit puts together from a file: filled up with 'F' to whole packets.
inline QByteArray padded(QByteArray data)
{
    constexpr int size = UdpUnitClient::dataSize;
    data.append((size - data.size() % size) % size, 'F');
    return data;
}
