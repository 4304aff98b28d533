#include "listening_session.h"

#include "remote_download.h"

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

std::optional<quint16> selectPort(const QString &text, DownloadConsole &console, bool anyPort)
{
    if (text.isEmpty()) {
        console.addActivity(QStringLiteral("No Port Specified"));
        return std::nullopt;
    }
    // A text that is no port leaves the socket on its earlier port.
    const std::optional<quint16> port = anyPort && text.trimmed() == QStringLiteral("0")
                                            ? std::optional<quint16>(0)
                                            : portNumber(text);
    if (!port) {
        console.addActivity(QStringLiteral("Port :") + text +
                            QStringLiteral(" not valid (1 to 65535) !"));
        return std::nullopt;
    }
    console.addActivity(QStringLiteral("Port :") + text + QStringLiteral(" selected !"));
    return port;
}

} // namespace ListeningSession
