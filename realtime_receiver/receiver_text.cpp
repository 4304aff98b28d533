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

} // namespace ReceiverText
