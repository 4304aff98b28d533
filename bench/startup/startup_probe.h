#pragma once

// Reports when a program's main window is up: at its first paint, once the paint is done, it
// prints the CLOCK_MONOTONIC time in ns and the peak resident memory (VmHWM, kB) and ends the
// program. The caller notes the time just before it starts the process.
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>

class StartupProbe : public QObject
{
public:
    explicit StartupProbe(QWidget &window) : QObject(&window) { window.installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [] { report(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void report()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        long peakKb = -1;
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    peakKb = line.mid(6).trimmed().split(' ').first().toLong();
            }
        }
        std::printf("%lld %ld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                    peakKb);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    bool m_painted = false;
};
