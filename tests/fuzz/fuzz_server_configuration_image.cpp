// The server's configuration image builder: the input's first line is the request, the rest the
// configuration file.
#include "download_server/server_images.h"
#include "fuzz_support.h"

VORT_FUZZ_TARGET
{
    const qsizetype lineEnd = input.indexOf('\n');
    const QByteArray request = lineEnd < 0 ? input : input.left(lineEnd);
    const QByteArray content = lineEnd < 0 ? QByteArray() : input.mid(lineEnd + 1);
    const QString path =
        FuzzSupport::writeScratchFile(QStringLiteral("configuration.txt"), content);

    QByteArray image;
    const ServerImageResult result = buildServerConfigurationImage(path, request, image);
    FuzzSupport::require(image.size() == downloadImageSize, "the image is 731 bytes");
    FuzzSupport::require(result.status != ServerImageResult::Status::NotFound, "the file exists");
    if (result.status == ServerImageResult::Status::Invalid)
        FuzzSupport::require(!result.problem.isEmpty(), "a refusal names its problem");
}
