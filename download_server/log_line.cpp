#include "log_line.h"

#include <QFile>

namespace LogLine {

QByteArray format(const QDateTime &when, const QString &text)
{
    const QTime time = when.time();
    const bool midnight = time.hour() == 0 && time.minute() == 0 && time.second() == 0;
    const QString stamp = midnight ? when.toString(QStringLiteral("yyyy-MM-dd"))
                                   : when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return "#" + stamp.toLatin1() + "#,\"" + text.toLatin1() + "\"\r\n";
}

bool append(const QString &text, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray line = format(QDateTime::currentDateTime(), text);
    return file.write(line) == line.size();
}

} // namespace LogLine
