#pragma once

// A Server console in a temporary working directory (so "log.txt" lands there), with a short
// tick and a recording help viewer, listening on a port the system gives, plus the means to let
// it listen until a simulated unit has played its part.
#include "download_server/window/trackmain.h"

#include "common/help_viewer.h"
#include "support/recording_help_viewer.h"

#include <QHostAddress>
#include <QList>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class DatagramSocket;
class ServerSettings;
class UdpUnitClient;

class ServerFixture
{
public:
    // With setPort, "&Set host/port" has been clicked on txtport's 6081, and the socket then set
    // to listen on whichever port the system gives (port() once listening). sessions: units
    // served at once.
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
    // The port the window listens on (the last one, after it stopped); 0 before a Start.
    quint16 port() const { return m_port; }
    // What txtport says: the port named by the Started and Stopped lines.
    QString portText() const;
    DatagramSocket &socket() const;
    // What the window serves (the files chosen, as a click in File2 chooses them).
    ServerSettings &settings() const;

    // A folder inside the temporary directory (created) chosen in Drive1 as the base folder.
    QString useOperatingSystemBase(const QString &name = QStringLiteral("os"));
    // Writes a file (folders created) below the temporary directory; returns its path.
    QString writeFile(const QString &relativePath, const QByteArray &content);

    QStringList activity() const; // List1, in order
    int activityCount(const QString &line) const { return int(activity().count(line)); }
    QList<QByteArray> logLines() const; // "log.txt", each line with its CR LF

    // Clicks Start; begin() runs once listening; Stop is clicked as soon as done() holds (or
    // after timeoutMs) unless listening has ended by then, and the run ends when listening has
    // ended (the Stopped line). Returns false on the time-out, or when the window did not
    // listen.
    bool run(const std::function<void()> &begin, const std::function<bool()> &done,
             int timeoutMs = 20000);
    void sendFrom(UdpUnitClient &unit, const QByteArray &request) const;
    // What the unit has received, once everything sent to it before this call has come in: a
    // marker sent now arrives after it (it is left out). Fails the comparison that follows with
    // a line of its own when the marker never comes.
    static QList<QByteArray> delivered(UdpUnitClient &unit);

    RecordingHelpViewer help;

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    quint16 m_port = 0;
    std::unique_ptr<TrackMain> m_window;
};
