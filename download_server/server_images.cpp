#include "server_images.h"

// Placeholder until the image builders land: every file counts as missing.
ServerImageResult buildServerConfigurationImage(const QString &, const QByteArray &, QByteArray &image)
{
    image = QByteArray(downloadImageSize, char(0xFF));
    return {};
}

ServerImageResult buildServerGpsImage(const QString &, QByteArray &image)
{
    image = QByteArray(downloadImageSize, char(0xFF));
    return {};
}
