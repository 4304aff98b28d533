#pragma once

#include "unit_line.h"
#include "unit_phase.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <map>
#include <memory>

// The tracking unit as the PC meets it on the serial line. Asleep, it answers "O" with "OK0"
// CR LF (or "OK1"); then it reads the password up to CR, the operation letter and the password
// again up to CR. When both are right it sends "p" and runs the phase of the letter; an
// unknown letter gets nothing more. A handshake that stalls, or a phase that hears nothing
// for a while, puts the unit back to sleep.
//
// Faults, for trying the PC's handling: stay silent, refuse every password, answer in the
// wrong case ("ok0"), or split the answer so that its end comes a while later.
class SimulatedUnit : public QObject
{
    Q_OBJECT
public:
    enum class State { Asleep, ReadingPassword, ReadingLetter, ReadingSecondPassword, InPhase };

    explicit SimulatedUnit(QObject *parent = nullptr);
    ~SimulatedUnit() override;

    // Where the unit transmits; nothing goes out without a line.
    void setLine(UnitLine *line) { m_line = line; }
    // Characters that arrived from the PC, as one arrival.
    void receive(const QByteArray &characters);
    // The line was closed at the PC's end: the unit goes back to sleep.
    void hangUp();

    void setPassword(const QByteArray &password) { m_password = password; }
    void setReadyDigit(char digit) { m_readyDigit = digit; }
    // Answers "O" with this text instead of "OK0" CR LF; empty restores the usual answer.
    void setAnswerText(const QByteArray &text) { m_answerText = text; }
    void setSilent(bool silent) { m_silent = silent; }
    void setRefusePassword(bool refuse) { m_refusePassword = refuse; }
    void setWrongCase(bool wrongCase) { m_wrongCase = wrongCase; }
    // The answer goes out as "OK" now and the rest delayMs later; an "O" that arrives meanwhile
    // goes unanswered.
    void setSplitAnswer(bool split, int delayMs = 1500);
    // How long a stalled handshake or a silent phase lasts before the unit sleeps again.
    void setResetAfterMs(int ms) { m_reset.setInterval(ms); }

    // The phase of an operation letter; replaces an earlier one.
    void addPhase(char letter, std::unique_ptr<UnitPhase> handler);
    UnitPhase *phase(char letter) const;

    State state() const { return m_state; }
    // Everything the PC has sent since the unit was made.
    QByteArray received() const { return m_received; }
    int wakeAnswers() const { return m_wakeAnswers; }

signals:
    // The password was accepted for this letter (whether or not a phase exists).
    void operationAccepted(char letter);
    void passwordRefused();

private:
    void handle(char c);
    void answerWake();
    void finishHandshake();
    void enter(State state);
    void sleep();
    void transmit(const QByteArray &characters);

    UnitLine *m_line = nullptr;
    State m_state = State::Asleep;
    QByteArray m_password = "6048";
    char m_readyDigit = '0';
    QByteArray m_answerText;
    bool m_silent = false;
    bool m_refusePassword = false;
    bool m_wrongCase = false;
    bool m_splitAnswer = false;
    int m_splitDelayMs = 1500;
    bool m_finishingAnswer = false;

    QByteArray m_firstPassword;
    QByteArray m_secondPassword;
    char m_letter = 0;
    UnitPhase *m_activePhase = nullptr;
    std::map<char, std::unique_ptr<UnitPhase>> m_phases;
    QTimer m_reset;

    QByteArray m_received;
    int m_wakeAnswers = 0;
};
