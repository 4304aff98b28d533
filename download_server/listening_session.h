#pragma once

#include <QString>

#include <optional>

class DownloadConsole;

// What "&Set host/port" does, with its activity lines: the console window and the headless
// server run it alike.
namespace ListeningSession {

// A whole number from 1 to 65535, blanks around it allowed.
std::optional<quint16> portNumber(const QString &text);

// "&Set host/port": "No Port Specified", a refusal, or "Port :6081 selected !" in the activity
// list; the port when the text names one. With anyPort (the headless server's --port 0), "0"
// names whichever port the system gives.
std::optional<quint16> selectPort(const QString &text, DownloadConsole &console,
                                  bool anyPort = false);

} // namespace ListeningSession
