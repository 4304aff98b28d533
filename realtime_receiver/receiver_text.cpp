#include "receiver_text.h"

namespace ReceiverText {

QString identifierOf(const QString &message)
{
    return message.left(6);
}

QString acknowledgementText(const QString &identifier, const QString &command)
{
    return identifier + QStringLiteral(",1") + command;
}

QByteArray acknowledgementDatagram(const QString &identifier, const QString &command)
{
    return acknowledgementText(identifier, command).toLatin1() + '\r';
}

QString messageText(const QByteArray &data)
{
    return QString::fromLatin1(data);
}

QStringList logLines(const QString &text)
{
    if (text.size() <= logLineLength)
        return {text};
    return {text.left(logLineLength), text.mid(logLineLength)};
}

std::optional<quint16> portNumber(const QString &text)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

bool isUnitCommandLine(const QString &line)
{
    return line.startsWith(u'@');
}

UnitCommandLine parseUnitCommandLine(const QString &line)
{
    const QString example = QStringLiteral(" (as in @VAN042 RESET)");
    const qsizetype blank = line.indexOf(u' ');
    const QString identifier = line.mid(1, blank < 0 ? -1 : blank - 1);
    if (identifier.isEmpty())
        return {{}, {}, QStringLiteral("Not queued: a unit identifier must follow @") + example};
    if (identifier.size() > 6)
        return {{},
                {},
                QStringLiteral("Not queued: ") + identifier.left(20) +
                    QStringLiteral(" is longer than a unit identifier (6 characters)") + example};
    if (blank < 0)
        return {{},
                {},
                QStringLiteral("Not queued: a blank and the command must follow @") + identifier +
                    example};
    return {identifier, line.mid(blank + 1), {}};
}

} // namespace ReceiverText
