#pragma once

#include "server_images.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>

// Keeps the image last built from each configuration or GPS table file and builds it again only
// when the file's content changed, so a fleet asking for the same file does not have it parsed
// once per unit. The files are small (a few kilobytes): each request reads the file again and
// compares it with the content the image was built from, so an edit that keeps the size and the
// modification time (a copy keeping times, a coarse file system clock) is still seen. The bytes
// a configuration image takes from the request come from each unit's own request.
class ServerImageCache
{
public:
    ServerImageResult configuration(const QString &path, const QByteArray &request,
                                    QByteArray &image);
    ServerImageResult gps(const QString &path, QByteArray &image);

private:
    struct Entry
    {
        QByteArray content; // the file's, as the image was built from it
        ServerImageResult result;
        QByteArray image;
    };
    using Builder =
        std::function<ServerImageResult(const QString &, const QByteArray &, QByteArray &)>;
    // The entry for the file's current content, built when the content is new.
    static const Entry &current(QHash<QString, Entry> &entries, const QString &path,
                                const QByteArray &content, const Builder &build);

    QHash<QString, Entry> m_configurations;
    QHash<QString, Entry> m_gpsTables;
};

// The operating system files being sent (at most 46,080 characters): one copy in memory per file
// however many units it goes to. Read again at each request, and the copy kept while the
// content is unchanged.
class FileContentCache
{
public:
    // The file's characters; nullopt when it cannot be read.
    std::optional<QByteArray> read(const QString &path);

private:
    QHash<QString, QByteArray> m_contents;
};
