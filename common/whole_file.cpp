#include "whole_file.h"

#include <QSaveFile>

namespace WholeFile {

bool write(const QString &path, const QByteArray &content, QString *errorText)
{
    if (path.isEmpty())
        return false;
    // No direct-write fallback: writing the old file in place would truncate it first.
    QSaveFile file(path);
    // Unbuffered, so a short write on a full disk shows in write()'s count; through the buffer
    // the rest of the content was dropped without an error and the short file committed.
    const auto failed = [&] {
        if (errorText)
            *errorText = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed();
    qint64 written = 0;
    while (written < content.size()) {
        const qint64 n = file.write(content.constData() + written, content.size() - written);
        if (n <= 0) {
            failed();
            file.cancelWriting();
            return false;
        }
        written += n;
    }
    return file.commit() || failed();
}

} // namespace WholeFile
