#pragma once

#include "unit_phase.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class QCommandLineParser;
class SimulatedUnit;

// What the unit keeps of its configuration: the 256 bytes it works from and the version text of
// its firmware.
struct UnitConfiguration
{
    static constexpr int size = 256;
    // A unit in service: a small fleet vehicle with geo-fencing, GPRS tracking and voice.
    static QByteArray sampleBytes();

    QByteArray bytes = sampleBytes();
    QByteArray version = "V6.3";
    int downloadsStored = 0;
};

// "D": the PC writes the configuration as 512 hex characters, high half first, with no
// handshake; the unit stores them and answers "OK".
class ConfigurationStorePhase : public UnitPhase
{
public:
    enum class Answer { Ok, None, LowerCase, Early };

    explicit ConfigurationStorePhase(std::shared_ptr<UnitConfiguration> configuration)
        : m_configuration(std::move(configuration))
    {
    }
    void setAnswer(Answer answer) { m_answer = answer; }
    std::shared_ptr<UnitConfiguration> configuration() const { return m_configuration; }

    void begin(UnitLine &line) override;
    void receive(const QByteArray &characters, UnitLine &line) override;
    bool finished() const override { return m_finished; }

private:
    std::shared_ptr<UnitConfiguration> m_configuration;
    Answer m_answer = Answer::Ok;
    QByteArray m_characters;
    bool m_finished = false;
};

// "U": the unit sends its positions 0 to 254 as hex characters, one at a time, each after the
// PC's "1" for the one before; after the last "1" it sends its version text a piece at a time.
class ConfigurationSendPhase : public QObject, public UnitPhase
{
    Q_OBJECT
public:
    // Between the acceptance "p" and the first character, and between two pieces of the
    // version text: time enough for the PC to read each as its own arrival.
    static constexpr int settleMs = 20;

    explicit ConfigurationSendPhase(std::shared_ptr<UnitConfiguration> configuration)
        : m_configuration(std::move(configuration))
    {
    }
    std::shared_ptr<UnitConfiguration> configuration() const { return m_configuration; }

    // Faults: go silent once k characters are out (-1: never), send the version in one piece,
    // send a lone "p" before the first character.
    void setSilentAfter(int characters) { m_silentAfter = characters; }
    void setVersionInOnePiece(bool onePiece) { m_versionInOnePiece = onePiece; }
    void setLeadingP(bool leadingP) { m_leadingP = leadingP; }

    void begin(UnitLine &line) override;
    void receive(const QByteArray &characters, UnitLine &line) override;
    bool finished() const override { return m_finished; }
    void abandon() override { ++m_generation; }

private:
    void sendNextCharacter();
    void sendVersion();
    // Runs step after ms unless the phase has started afresh or was abandoned meanwhile.
    void later(int ms, std::function<void()> step);

    std::shared_ptr<UnitConfiguration> m_configuration;
    int m_silentAfter = -1;
    bool m_versionInOnePiece = false;
    bool m_leadingP = false;

    UnitLine *m_line = nullptr;
    QByteArray m_characters; // the 510 to send
    int m_sent = 0;
    bool m_finished = false;
    int m_generation = 0;
};

// Gives the unit both phases over one shared configuration.
void installConfigurationPhases(SimulatedUnit &unit);

// vortsim's options for these phases and their faults.
QList<QCommandLineOption> configurationPhaseOptions();
// False (with a message on stderr) when an option value is not understood.
bool applyConfigurationPhaseOptions(const QCommandLineParser &parser, SimulatedUnit &unit);
