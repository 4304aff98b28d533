// The server's GPS image builder on any GPS location table file.
#include "download_server/server_images.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path =
        FuzzSupport::writeScratchFile(QStringLiteral("table.txt"), FuzzSupport::bytes(data, size));
    QByteArray image;
    const ServerImageResult result = buildServerGpsImage(path, image);
    FuzzSupport::require(image.size() == downloadImageSize, "the image is 731 bytes");
    if (result.status == ServerImageResult::Status::Invalid)
        FuzzSupport::require(!result.problem.isEmpty(), "a refusal names its problem");
    return 0;
}
