#include "standard_input_lines.h"

#if defined(Q_OS_WIN)
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <cstdio>
#include <thread>
#else
#include <QSocketNotifier>
#include <cerrno>
#include <unistd.h>
#endif

#if defined(Q_OS_WIN)

// The console and pipes of Windows cannot be watched by the event loop: a reader thread hands
// each chunk over to it.
StandardInputLines::StandardInputLines(QObject *parent) : QObject(parent)
{
    QPointer<StandardInputLines> target(this);
    std::thread([target] {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, stdin)) {
            const QByteArray bytes(buffer);
            QMetaObject::invokeMethod(
                qApp,
                [target, bytes] {
                    if (target)
                        target->take(bytes);
                },
                Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            qApp,
            [target] {
                if (target)
                    target->end();
            },
            Qt::QueuedConnection);
    }).detach();
}

StandardInputLines::~StandardInputLines() = default;

#else

StandardInputLines::StandardInputLines(QObject *parent) : QObject(parent)
{
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StandardInputLines::readAvailable);
}

StandardInputLines::~StandardInputLines() = default;

void StandardInputLines::readAvailable()
{
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count > 0) {
        take(QByteArray(buffer, qsizetype(count)));
    } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
        m_notifier->setEnabled(false);
        end();
    }
}

#endif

void StandardInputLines::take(const QByteArray &bytes)
{
    m_partial += bytes;
    qsizetype end = 0;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        QByteArray line = m_partial.left(end);
        m_partial.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        emit lineRead(QString::fromLocal8Bit(line));
    }
}

void StandardInputLines::end()
{
    if (!m_partial.isEmpty()) {
        emit lineRead(QString::fromLocal8Bit(m_partial));
        m_partial.clear();
    }
    emit ended();
}
