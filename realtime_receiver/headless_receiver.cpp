#include "headless_receiver.h"

#include "standard_input_lines.h"

#include "common/console_lines.h"
#include "common/datagram_socket.h"
#include "common/stop_signals.h"

#include <QTimer>

HeadlessReceiver::HeadlessReceiver(const QString &portText, QObject *parent)
    : QObject(parent), m_portText(portText), m_socket(new UdpDatagramSocket(this)),
      m_receiver(new RealtimeReceiver(*m_socket, *this, ReceiverText::answerPause, this)),
      m_stopSignals(new StopSignals(this)), m_input(new StandardInputLines(this))
{
    connect(m_stopSignals, &StopSignals::stopRequested, m_receiver, &RealtimeReceiver::stop);
    connect(m_input, &StandardInputLines::lineRead, this, &HeadlessReceiver::commandRead);
}

HeadlessReceiver::~HeadlessReceiver() = default;

int HeadlessReceiver::run()
{
    if (!m_receiver->selectPort(m_portText) || !m_receiver->listen())
        return CannotListen;
    return Stopped;
}

void HeadlessReceiver::commandRead(const QString &command)
{
    m_commands.enqueue(command);
    queueNextCommand();
}

void HeadlessReceiver::queueNextCommand()
{
    if (!m_commands.isEmpty() && m_receiver->canQueueCommand())
        m_receiver->queueCommand(m_commands.dequeue());
}

void HeadlessReceiver::addLine(const QString &line)
{
    ConsoleLines::write(line);
}

void HeadlessReceiver::commandQueueChanged(bool canQueue)
{
    // Once the receiver has finished its step, as a click on "Send Data" would come after it.
    if (canQueue)
        QTimer::singleShot(0, this, &HeadlessReceiver::queueNextCommand);
}
