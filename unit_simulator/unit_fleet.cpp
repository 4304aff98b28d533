#include "unit_fleet.h"

UnitFleet::UnitFleet(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    m_quietCheck.setInterval(1000);
    connect(&m_quietCheck, &QTimer::timeout, this, &UnitFleet::checkQuiet);
}

bool UnitFleet::start()
{
    const int count = qMax(1, m_options.units);
    m_lastHeard.assign(size_t(count), 0);
    m_lastCall.assign(size_t(count), 0);
    m_requests.assign(size_t(count), {});
    m_ended.assign(size_t(count), false);
    for (int i = 0; i < count; ++i) {
        auto unit = std::make_unique<UdpUnitClient>();
        if (!unit->open())
            return false;
        unit->setAnswerDelay(m_options.answerDelayMs);
        connect(unit.get(), &UdpUnitClient::packetReceived, this,
                [this, i] { m_lastHeard[size_t(i)] = m_clock.elapsed(); });
        connect(unit.get(), &UdpUnitClient::completed, this, [this, i] {
            if (m_ended[size_t(i)])
                return;
            m_ended[size_t(i)] = true;
            // The unit's last acknowledgement leaves after the delay: the end comes after it.
            if (m_options.answerDelayMs <= 0)
                unitEnded(true);
            else
                QTimer::singleShot(m_options.answerDelayMs + 1, Qt::PreciseTimer, this,
                                   [this] { unitEnded(true); });
        });
        m_units.push_back(std::move(unit));
    }
    m_clock.start();
    for (size_t i = 0; i < m_units.size(); ++i) {
        // Each unit its own number in the first six characters; the sixth is never the "1" of
        // an acknowledgement, so a call again can never pass for one.
        QByteArray request = m_options.request;
        const QByteArray number = unitIdentifier(int(i));
        request.replace(0, qMin<qsizetype>(6, request.size()), number);
        m_requests[i] = request;
        call(i);
    }
    m_quietCheck.start();
    return true;
}

qint64 UnitFleet::packets() const
{
    qint64 total = 0;
    for (const auto &unit : m_units)
        total += unit->packets().size();
    return total;
}

QByteArray UnitFleet::unitIdentifier(int i)
{
    return QByteArray::number(qulonglong(i)).rightJustified(5, '0') + 'U';
}

void UnitFleet::call(size_t unit)
{
    m_lastCall[unit] = m_clock.elapsed();
    m_units[unit]->sendRequest(m_requests[unit], m_options.server, m_options.port);
}

void UnitFleet::checkQuiet()
{
    const qint64 now = m_clock.elapsed();
    for (size_t i = 0; i < m_units.size(); ++i) {
        if (m_ended[i])
            continue;
        // Not answered at all (a busy server, a lost request): call again, as units do.
        if (m_units[i]->packets().isEmpty() && now - m_lastCall[i] > m_options.recallMs)
            call(i);
        if (now - m_lastHeard[i] > m_options.quietMs) {
            m_ended[i] = true;
            unitEnded(false);
        }
    }
}

void UnitFleet::unitEnded(bool complete)
{
    ++(complete ? m_completed : m_givenUp);
    if (m_completed + m_givenUp < int(m_units.size()))
        return;
    m_elapsedMs = m_clock.elapsed();
    m_quietCheck.stop();
    emit finished();
}
