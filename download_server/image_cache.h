#pragma once

#include "server_images.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// Keeps the image last built from each configuration or GPS table file and builds it again only
// when the file's size or modification time changed, so a fleet asking for the same file does
// not have it read and parsed once per unit. The bytes a configuration image takes from the
// request still come from each unit's own request.
class ServerImageCache
{
public:
    ServerImageResult configuration(const QString &path, const QByteArray &request,
                                    QByteArray &image);
    ServerImageResult gps(const QString &path, QByteArray &image);

private:
    struct Entry
    {
        qint64 size = -1;
        QDateTime modified;
        ServerImageResult result;
        QByteArray image;
        QList<int> fromRequest; // image positions filled from the request's characters 8 to 11
    };
    // The entry for the file as it is now on disk, or null when there is none.
    const Entry *current(const QHash<QString, Entry> &entries, const QString &path) const;
    static Entry stamped(const QString &path);

    QHash<QString, Entry> m_configurations;
    QHash<QString, Entry> m_gpsTables;
};

// The operating system files being sent: one copy in memory per file however many units it goes
// to, read again when its size or modification time changed.
class FileContentCache
{
public:
    // The file's characters; nullopt when it cannot be read.
    std::optional<QByteArray> read(const QString &path);

private:
    struct Entry
    {
        qint64 size = -1;
        QDateTime modified;
        QByteArray content;
    };
    QHash<QString, Entry> m_entries;
};
