#pragma once

#include <QByteArray>
#include <QString>

// The images Server sends in answer to "CONFIG" and "GPSLOC": built from a configuration file or
// a GPS location table file as vortsetup writes them, into the 731-byte download image.
struct ServerImageResult
{
    enum class Status { Built, NotFound, Invalid };
    Status status = Status::NotFound;
    // For Invalid: one line naming the file and the line (or the request) that was refused.
    QString problem;
};

constexpr int downloadImageSize = 731;

// Fills image (resized to 731 bytes) from the configuration file at path and the request text.
ServerImageResult buildServerConfigurationImage(const QString &path, const QByteArray &request,
                                                QByteArray &image);
// Fills image (resized to 731 bytes) from the GPS location table file at path.
ServerImageResult buildServerGpsImage(const QString &path, QByteArray &image);
