#pragma once

// A Server console in a temporary working directory (so "log.txt" lands there), with a short
// tick, a recording help viewer and a free loopback port, plus the means to run its listening
// loop (which lives inside the Start click) while a simulated unit plays its part.
#include "download_server/trackmain.h"

#include "common/help_viewer.h"
#include "support/recording_help_viewer.h"

#include <QHostAddress>
#include <QList>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class UdpUnitClient;

class ServerFixture
{
public:
    // With setPort, txtport holds a free port and "&Set host/port" has been clicked.
    // sessions: units served at once.
    explicit ServerFixture(ServerImageSource images = {}, int tickMs = 40, bool setPort = true,
                           int sessions = 1);
    ~ServerFixture();

    TrackMain &window() { return *m_window; }
    template <class T> T *control(const char *name) const
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }
    void click(const char *button) { control<QPushButton>(button)->click(); }
    QString dirPath() const { return m_dir.path(); }
    quint16 port() const { return m_port; }

    // A folder inside the temporary directory (created) chosen in Drive1 as the base folder.
    QString useOperatingSystemBase(const QString &name = QStringLiteral("os"));
    // Writes a file (folders created) below the temporary directory; returns its path.
    QString writeFile(const QString &relativePath, const QByteArray &content);

    QStringList activity() const; // List1, in order
    int activityCount(const QString &line) const { return int(activity().count(line)); }
    QList<QByteArray> logLines() const; // "log.txt", each line with its CR LF

    // Clicks Start; begin() runs once listening; Stop is clicked as soon as done() holds (or
    // after timeoutMs). Returns false on the time-out. When the fixture's port was taken since
    // it was picked (by a test running beside this one), Start is clicked again on a new port,
    // unless retryTakenPort is cleared.
    bool run(const std::function<void()> &begin, const std::function<bool()> &done,
             int timeoutMs = 20000);
    void sendFrom(UdpUnitClient &unit, const QByteArray &request) const;
    // What the unit has received, once everything sent to it before this call has come in: a
    // marker sent now arrives after it (it is left out). Fails the comparison that follows with
    // a line of its own when the marker never comes.
    static QList<QByteArray> delivered(UdpUnitClient &unit);

    RecordingHelpViewer help;
    bool retryTakenPort = true;

private:
    void usePort(quint16 port);

    QTemporaryDir m_dir;
    QString m_previousDir;
    quint16 m_port = 0;
    bool m_portSet = false;
    std::unique_ptr<TrackMain> m_window;
};
