#include "listening_session.h"

#include "remote_download.h"

#include "common/datagram_socket.h"

namespace ListeningSession {

std::optional<quint16> portNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (const QChar c : trimmed) {
        if (!c.isDigit() || c.unicode() > '9')
            return std::nullopt;
    }
    bool ok = false;
    const uint port = trimmed.toUInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}

std::optional<quint16> selectPort(const QString &text, DownloadConsole &console)
{
    if (text.isEmpty()) {
        console.addActivity(QStringLiteral("No Port Specified"));
        return std::nullopt;
    }
    // A text that is no port leaves the socket on its earlier port.
    const std::optional<quint16> port = portNumber(text);
    if (!port) {
        console.addActivity(QStringLiteral("Port :") + text +
                            QStringLiteral(" not valid (1 to 65535) !"));
        return std::nullopt;
    }
    console.addActivity(QStringLiteral("Port :") + text + QStringLiteral(" selected !"));
    return port;
}

bool listenUntilStopped(RemoteDownload &download, DatagramSocket &socket, DownloadConsole &console,
                        const QString &portText, const std::function<void()> &listening)
{
    if (socket.localPort() == 0 || !download.startListening()) {
        const QString reason =
            socket.localPort() == 0 ? QStringLiteral("no port set") : socket.errorString();
        console.addActivity(QStringLiteral("Error : cannot listen on port ") + portText +
                            QStringLiteral(" (") + reason + QStringLiteral(") !"));
        return false;
    }
    console.addActivity(QStringLiteral("Started, listening on port ") + portText);
    if (listening)
        listening();
    download.runListeningLoop();
    console.addActivity(QStringLiteral("Stopped, listening on port ") + portText);
    return true;
}

} // namespace ListeningSession
