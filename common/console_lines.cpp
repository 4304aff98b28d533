#include "console_lines.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace ConsoleLines {

namespace {
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool flushQueued = false;

// Lines written while one batch of events is handled leave in one write, as soon as the event
// loop turns again: a fleet's burst of datagrams costs one system call, not two per datagram.
// Without an event loop each line leaves at once.
void put(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = printable(line);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    auto *application = QCoreApplication::instance();
    if (!application) {
        std::fflush(stream);
        return;
    }
    if (flushQueued)
        return;
    flushQueued = true;
    QTimer::singleShot(0, application, [] {
        flushQueued = false;
        std::fflush(stdout);
        std::fflush(stderr);
    });
}
} // namespace

QByteArray printable(const QString &line)
{
    if (std::none_of(line.cbegin(), line.cend(), [](QChar c) { return isControl(c.unicode()); }))
        return line.toUtf8() + '\n';
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
