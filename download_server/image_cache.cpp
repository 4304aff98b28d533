#include "image_cache.h"

#include <QFile>
#include <QFileInfo>

namespace {
// A configuration request's characters 8 to 11 open the image.
constexpr int requestFirstCharacter = 7;
constexpr int openingCharacters = 4;
constexpr int requestCharacters = requestFirstCharacter + openingCharacters;
} // namespace

ServerImageCache::Entry ServerImageCache::stamped(const QString &path)
{
    const QFileInfo info(path);
    Entry entry;
    entry.size = info.size();
    entry.modified = info.lastModified();
    return entry;
}

const ServerImageCache::Entry *ServerImageCache::current(const QHash<QString, Entry> &entries,
                                                         const QString &path) const
{
    const auto found = entries.constFind(path);
    if (found == entries.cend())
        return nullptr;
    const QFileInfo info(path);
    if (!info.isFile() || info.size() != found->size || info.lastModified() != found->modified)
        return nullptr;
    return &found.value();
}

ServerImageResult ServerImageCache::configuration(const QString &path, const QByteArray &request,
                                                  QByteArray &image)
{
    // A request too short to open the image, or no file: the builder says so, as ever.
    if (request.size() < requestCharacters || !QFileInfo(path).isFile())
        return buildServerConfigurationImage(path, request, image);
    if (const Entry *entry = current(m_configurations, path)) {
        image = entry->image;
        for (const int position : entry->fromRequest)
            image[position] = request.at(requestFirstCharacter + position);
        return entry->result;
    }
    Entry entry = stamped(path);
    entry.result = buildServerConfigurationImage(path, request, entry.image);
    image = entry.image;
    if (entry.result.status == ServerImageResult::Status::Built) {
        // Built once more from a request differing in every opening character: the bytes that
        // change with it are the ones each request fills in.
        QByteArray other = request;
        for (int i = 0; i < openingCharacters; ++i)
            other[requestFirstCharacter + i] = char(other.at(requestFirstCharacter + i) ^ 1);
        QByteArray otherImage;
        if (buildServerConfigurationImage(path, other, otherImage).status !=
            ServerImageResult::Status::Built)
            return entry.result; // cannot tell: not kept
        for (int i = 0; i < openingCharacters; ++i) {
            if (otherImage.at(i) != entry.image.at(i))
                entry.fromRequest << i;
        }
    }
    ServerImageResult result = entry.result;
    m_configurations.emplace(path, std::move(entry));
    return result;
}

ServerImageResult ServerImageCache::gps(const QString &path, QByteArray &image)
{
    if (!QFileInfo(path).isFile())
        return buildServerGpsImage(path, image);
    if (const Entry *entry = current(m_gpsTables, path)) {
        image = entry->image;
        return entry->result;
    }
    Entry entry = stamped(path);
    entry.result = buildServerGpsImage(path, entry.image);
    image = entry.image;
    ServerImageResult result = entry.result;
    m_gpsTables.emplace(path, std::move(entry));
    return result;
}

std::optional<QByteArray> FileContentCache::read(const QString &path)
{
    const QFileInfo info(path);
    const auto found = m_entries.constFind(path);
    if (found != m_entries.cend() && info.isFile() && info.size() == found->size &&
        info.lastModified() == found->modified)
        return found->content;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_entries.remove(path);
        return std::nullopt;
    }
    Entry entry{info.size(), info.lastModified(), file.readAll()};
    const QByteArray content = entry.content;
    m_entries.emplace(path, std::move(entry));
    return content;
}
