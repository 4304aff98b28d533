#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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

// The parts of the builders, for a cache that keeps what comes from a file's content alone.
namespace ServerImageParts {

// What a configuration image takes from the request: its characters 8 to 11 (from position 7)
// open the image as bytes 0 to 3, and the file's values then replace those they cover. Every
// configuration file has values for bytes 1 to 3, so the request gives byte 0 alone. Nothing
// else of either image depends on the request.
inline constexpr int requestOffset = 7;
inline constexpr int requestBytes = 4;
// Whether the request is long enough to give them.
bool requestIsLongEnough(const QByteArray &request);
// Whether the image byte at position comes from the request.
bool takenFromRequest(int position);
// Puts the request's bytes into a configuration image built from the content.
void takeFromRequest(const QByteArray &request, QByteArray &image);

// The file as the builders read it; nullopt when it cannot be read (or is larger than any file
// of the tool set).
std::optional<QByteArray> readFile(const QString &path);
// The images from a file's content (path names the file in a problem line). The configuration
// image's bytes 0 to 3 are left for takeFromRequest().
ServerImageResult configurationFromContent(const QString &path, const QByteArray &content,
                                           QByteArray &image);
ServerImageResult gpsTableFromContent(const QString &path, const QByteArray &content,
                                      QByteArray &image);

} // namespace ServerImageParts
