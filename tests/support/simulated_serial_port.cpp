#include "simulated_serial_port.h"

#include "link/line_settings.h"

#include <QPointer>

#include <utility>

class SimulatedSerialPort::Wire : public UnitLine
{
public:
    Wire(SimulatedSerialPort *port, int portNumber, SimulatedUnit *unit)
        : port(port), portNumber(portNumber), unit(unit)
    {
    }
    // Queued on the port, so nothing arrives once it is gone.
    void transmit(const QByteArray &characters) override
    {
        QMetaObject::invokeMethod(
            port, [to = port, number = portNumber, characters] { to->deliver(number, characters); },
            Qt::QueuedConnection);
    }
    SimulatedSerialPort *port;
    int portNumber;
    QPointer<SimulatedUnit> unit;
};

SimulatedSerialPort::SimulatedSerialPort(QObject *parent) : SerialPort(parent) {}

SimulatedSerialPort::~SimulatedSerialPort()
{
    for (const auto &wire : std::as_const(m_wires))
        if (wire->unit)
            wire->unit->setLine(nullptr);
}

void SimulatedSerialPort::attach(int portNumber, SimulatedUnit *unit)
{
    auto wire = std::make_shared<Wire>(this, portNumber, unit);
    unit->setLine(wire.get());
    m_wires.insert(portNumber, wire);
}

bool SimulatedSerialPort::open(int portNumber, const QString &settings)
{
    if (isOpen()) {
        m_error = QStringLiteral("already open");
        return false;
    }
    if (!m_wires.contains(portNumber)) {
        m_error = QStringLiteral("no device behind COM%1").arg(portNumber);
        return false;
    }
    if (!setSettings(settings))
        return false;
    m_openPort = portNumber;
    ++m_openCount;
    m_input.clear();
    return true;
}

bool SimulatedSerialPort::setSettings(const QString &settings)
{
    const auto line = LineSettings::parse(settings);
    if (!line) {
        m_error = QStringLiteral("bad settings");
        return false;
    }
    m_settings = settings;
    m_baudRate = line->baudRate;
    return true;
}

void SimulatedSerialPort::close()
{
    // Like a real line, the unit does not learn that the PC let go.
    m_openPort = 0;
    m_input.clear();
}

QByteArray SimulatedSerialPort::readAll()
{
    return std::exchange(m_input, {});
}

bool SimulatedSerialPort::write(const QByteArray &data)
{
    m_written += data;
    if (!isOpen())
        return false;
    // Queued on the unit, so nothing arrives once it is gone.
    if (SimulatedUnit *unit = m_wires.value(m_openPort)->unit)
        QMetaObject::invokeMethod(
            unit, [unit, data] { unit->receive(data); }, Qt::QueuedConnection);
    return true;
}

void SimulatedSerialPort::deliver(int portNumber, const QByteArray &characters)
{
    if (m_openPort != portNumber)
        return; // nobody listens at the PC's end
    m_input += characters;
    emit readyRead();
}
