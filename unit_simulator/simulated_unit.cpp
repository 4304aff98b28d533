#include "simulated_unit.h"

SimulatedUnit::SimulatedUnit(QObject *parent) : QObject(parent)
{
    m_reset.setSingleShot(true);
    m_reset.setInterval(5000);
    connect(&m_reset, &QTimer::timeout, this, &SimulatedUnit::sleep);
}

SimulatedUnit::~SimulatedUnit() = default;

void SimulatedUnit::setSplitAnswer(bool split, int delayMs)
{
    m_splitAnswer = split;
    m_splitDelayMs = delayMs;
}

void SimulatedUnit::addPhase(char letter, std::unique_ptr<UnitPhase> handler)
{
    if (m_activePhase && m_activePhase == phase(letter))
        sleep();
    m_phases[letter] = std::move(handler);
}

UnitPhase *SimulatedUnit::phase(char letter) const
{
    const auto found = m_phases.find(letter);
    return found == m_phases.end() ? nullptr : found->second.get();
}

void SimulatedUnit::receive(const QByteArray &characters)
{
    m_received += characters;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        if (m_state == State::InPhase && characters.mid(i) == "O") {
            // The PC never sends a lone "O" inside a phase: it has given up and wakes the
            // unit again.
            sleep();
        }
        if (m_state == State::InPhase) {
            // The rest of the arrival belongs to the phase, as one piece.
            m_reset.start();
            m_activePhase->receive(characters.mid(i), *m_line);
            if (m_activePhase->finished())
                sleep();
            return;
        }
        handle(characters[i]);
    }
}

void SimulatedUnit::handle(char c)
{
    switch (m_state) {
    case State::Asleep:
        if (c == 'O')
            answerWake();
        break;
    case State::ReadingPassword:
        if (c == '\r')
            enter(State::ReadingLetter);
        else if (c == 'O' && m_firstPassword.isEmpty())
            answerWake(); // the PC missed the answer and wakes the unit again
        else
            m_firstPassword += c;
        break;
    case State::ReadingLetter:
        m_letter = c;
        enter(State::ReadingSecondPassword);
        break;
    case State::ReadingSecondPassword:
        if (c == '\r')
            finishHandshake();
        else
            m_secondPassword += c;
        break;
    case State::InPhase:
        break;
    }
}

void SimulatedUnit::answerWake()
{
    // Still sending the end of a split answer: the unit is busy and misses this "O".
    if (m_silent || m_finishingAnswer)
        return;
    ++m_wakeAnswers;
    QByteArray answer =
        m_answerText.isEmpty() ? QByteArray("OK") + m_readyDigit + "\r\n" : m_answerText;
    if (m_wrongCase)
        answer = answer.toLower();
    if (m_splitAnswer) {
        transmit(answer.left(2));
        const QByteArray rest = answer.mid(2);
        m_finishingAnswer = true;
        QTimer::singleShot(m_splitDelayMs, this, [this, rest] {
            m_finishingAnswer = false;
            transmit(rest);
        });
    } else {
        transmit(answer);
    }
    m_firstPassword.clear();
    enter(State::ReadingPassword);
}

void SimulatedUnit::finishHandshake()
{
    const bool accepted =
        !m_refusePassword && m_firstPassword == m_password && m_secondPassword == m_password;
    if (!accepted) {
        emit passwordRefused();
        sleep();
        return;
    }
    transmit("p");
    emit operationAccepted(m_letter);
    m_activePhase = phase(m_letter);
    if (!m_activePhase || !m_line) {
        sleep();
        return;
    }
    enter(State::InPhase);
    m_activePhase->begin(*m_line);
    if (m_activePhase->finished())
        sleep();
}

void SimulatedUnit::enter(State state)
{
    m_state = state;
    if (state == State::ReadingLetter)
        m_letter = 0;
    if (state == State::ReadingSecondPassword)
        m_secondPassword.clear();
    m_reset.start();
}

void SimulatedUnit::sleep()
{
    if (m_state == State::InPhase && m_activePhase && !m_activePhase->finished())
        m_activePhase->abandon();
    m_activePhase = nullptr;
    m_state = State::Asleep;
    m_firstPassword.clear();
    m_secondPassword.clear();
    m_reset.stop();
}

void SimulatedUnit::hangUp()
{
    sleep();
}

void SimulatedUnit::transmit(const QByteArray &characters)
{
    if (m_line)
        m_line->transmit(characters);
}
