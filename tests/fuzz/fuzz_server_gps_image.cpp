// The server's GPS image builder on any GPS location table file.
#include "download_server/server_images.h"
#include "fuzz_support.h"

VORT_FUZZ_TARGET
{
    const QString path = FuzzSupport::writeScratchFile(QStringLiteral("table.txt"), input);
    QByteArray image;
    const ServerImageResult result = buildServerGpsImage(path, image);
    FuzzSupport::require(image.size() == downloadImageSize, "the image is 731 bytes");
    if (result.status == ServerImageResult::Status::Invalid)
        FuzzSupport::require(!result.problem.isEmpty(), "a refusal names its problem");
}
