#pragma once

#include <QString>

#include <functional>
#include <optional>

class DatagramSocket;
class DownloadConsole;
class RemoteDownload;

// What "&Set host/port" and "&Start" do around the exchange, with their activity lines: the
// console window and the headless server run them alike.
namespace ListeningSession {

// A whole number from 1 to 65535, blanks around it allowed.
std::optional<quint16> portNumber(const QString &text);

// "&Set host/port": "No Port Specified", a refusal, or "Port :6081 selected !" in the activity
// list; the port when the text names one.
std::optional<quint16> selectPort(const QString &text, DownloadConsole &console);

// "&Start": listens on the socket's local port, adds "Started, listening on port " + portText,
// calls listening(), runs the listening loop until it is stopped, then adds "Stopped, listening
// on port " + portText. False, with one error line, when the socket cannot listen.
bool listenUntilStopped(RemoteDownload &download, DatagramSocket &socket, DownloadConsole &console,
                        const QString &portText, const std::function<void()> &listening = {});

} // namespace ListeningSession
