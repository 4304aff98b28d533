#include "data_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace DataFolder {

QString path()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : QDir(data).filePath(QStringLiteral("vort"));
}

bool enter()
{
    const QString folder = path();
    return !folder.isEmpty() && QDir().mkpath(folder) && QDir::setCurrent(folder);
}

} // namespace DataFolder
