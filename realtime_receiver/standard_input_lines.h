#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The lines typed or piped into standard input, delivered on the event loop as they come, so a
// program waiting on its event loop reads them without blocking on them.
class StandardInputLines : public QObject
{
    Q_OBJECT
public:
    explicit StandardInputLines(QObject *parent = nullptr);
    ~StandardInputLines() override;

signals:
    // One line without its line end (LF or CR LF), in the local encoding.
    void lineRead(const QString &line);
    // Standard input has ended (a last line without a line end came before it).
    void ended();

private:
    void take(const QByteArray &bytes);
    void end();
#if !defined(Q_OS_WIN)
    void readAvailable();
    QSocketNotifier *m_notifier = nullptr;
#endif
    QByteArray m_partial;
};
