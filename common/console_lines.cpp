#include "console_lines.h"

#include <cstdio>

namespace ConsoleLines {

namespace {
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void put(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = printable(line);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}
} // namespace

QByteArray printable(const QString &line)
{
    QString shown;
    shown.reserve(line.size());
    for (const QChar c : line) {
        if (isControl(c.unicode()))
            shown += QStringLiteral("\\x") +
                     QString::number(c.unicode(), 16).rightJustified(2, u'0').toUpper();
        else
            shown += c;
    }
    return shown.toUtf8() + '\n';
}

void write(const QString &line)
{
    put(stdout, line);
}

void writeError(const QString &line)
{
    put(stderr, line);
}

} // namespace ConsoleLines
