#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// The texts Quellix reads and writes: acknowledgements, activity lines and the port number.
// Datagrams carry one character per byte.
namespace ReceiverText {

// Pause between noticing a datagram and answering it. Short enough for a unit waiting on its
// acknowledgement, long enough to fold a burst of datagrams into one answer.
inline constexpr std::chrono::milliseconds answerPause{20};

// The activity list keeps at most this many lines; the oldest go first.
inline constexpr int activityListCap = 5000;

// The receiver keeps the state of at most this many units (the most recently heard) and at
// most this many commands waiting for units.
inline constexpr int unitCap = 10000;
inline constexpr int pendingCommandCap = 10000;

// Lines longer than this are shown as two lines.
inline constexpr int logLineLength = 100;

// The first six characters of a message (all of it when shorter).
QString identifierOf(const QString &message);

// What the Send line shows: identifier + ",1" + command.
QString acknowledgementText(const QString &identifier, const QString &command);

// The datagram sent back: acknowledgementText + CR.
QByteArray acknowledgementDatagram(const QString &identifier, const QString &command);

// A datagram's bytes as text, one character per byte.
QString messageText(const QByteArray &data);

// One line for up to 100 characters, otherwise the first 100 and then the rest.
QStringList logLines(const QString &text);

// The port number of the port text, when it is a whole number from 1 to 65535.
std::optional<quint16> portNumber(const QString &text);

// A command line for one unit: "@ID COMMAND", ID being the unit's identifier (at most six
// characters, no blank) and COMMAND everything after the first blank.
struct UnitCommandLine
{
    QString identifier;
    QString command;
    QString error; // set when the line is not such a line: why, in one line
};
// Whether the line is meant for one unit (it starts with "@").
bool isUnitCommandLine(const QString &line);
UnitCommandLine parseUnitCommandLine(const QString &line);

} // namespace ReceiverText
