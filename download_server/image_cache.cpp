#include "image_cache.h"

#include <QFile>
#include <QFileInfo>

const ServerImageCache::Entry &ServerImageCache::current(QHash<QString, Entry> &entries,
                                                         const QString &path,
                                                         const QByteArray &content,
                                                         const Builder &build)
{
    auto found = entries.find(path);
    if (found != entries.end() && found->content == content)
        return found.value();
    Entry entry{content, {}, {}};
    entry.result = build(path, content, entry.image);
    return entries.insert(path, entry).value();
}

ServerImageResult ServerImageCache::configuration(const QString &path, const QByteArray &request,
                                                  QByteArray &image)
{
    const std::optional<QByteArray> content =
        QFileInfo(path).isFile() ? ServerImageParts::readFile(path) : std::nullopt;
    // No file, one that cannot be read, or a request too short: the builder says so, as ever.
    if (!content || !ServerImageParts::requestIsLongEnough(request))
        return buildServerConfigurationImage(path, request, image);
    const Entry &entry =
        current(m_configurations, path, *content, ServerImageParts::configurationFromContent);
    image = entry.image;
    if (entry.result.status == ServerImageResult::Status::Built)
        ServerImageParts::takeFromRequest(request, image);
    return entry.result;
}

ServerImageResult ServerImageCache::gps(const QString &path, QByteArray &image)
{
    const std::optional<QByteArray> content =
        QFileInfo(path).isFile() ? ServerImageParts::readFile(path) : std::nullopt;
    if (!content)
        return buildServerGpsImage(path, image);
    const Entry &entry =
        current(m_gpsTables, path, *content, ServerImageParts::gpsTableFromContent);
    image = entry.image;
    return entry.result;
}

std::optional<QByteArray> FileContentCache::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_contents.remove(path);
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    const auto found = m_contents.constFind(path);
    if (found != m_contents.cend() && found.value() == content)
        return found.value(); // the copy the transfers in progress already share
    m_contents.insert(path, content);
    return content;
}
