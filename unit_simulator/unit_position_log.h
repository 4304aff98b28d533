#pragma once

#include "unit_phase.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// The unit's side of the "L" operation: it sends its log of GPS positions, each a record of 38
// characters, last character first and one character at a time. It waits for "N" after each of
// the first 37 characters and for "1" once the record is out, then goes on with the next record;
// "E" tells the PC the log is exhausted. Anything else the PC sends is not an answer.
//
// Faults, for trying the PC's handling: fall silent after a number of characters, or send two
// characters at once.
class UnitPositionLog : public QObject, public UnitPhase
{
    Q_OBJECT
public:
    static constexpr int recordLength = 38;

    explicit UnitPositionLog(QObject *parent = nullptr);

    // The records in the unit's own layout (first character first): time hhmmss, latitude
    // ddmmmmmm, longitude dddmmmmmm, hemisphere code, speed, course, date ddmmyy.
    void setRecords(const QList<QByteArray> &records) { m_records = records; }
    const QList<QByteArray> &records() const { return m_records; }
    // Sends nothing more once this many characters of the log have gone out (-1: never).
    void setSilentAfter(int characters) { m_silentAfter = characters; }
    // Character number n of the log (counted from 1) goes out together with the next one of the
    // same record (0: never).
    void setBurstAt(int character) { m_burstAt = character; }
    // How long the unit takes to change its line to 38400 bit/s after accepting the password.
    void setStartDelayMs(int ms) { m_startDelayMs = ms; }
    // How long the unit takes over each character after the PC's answer (0: at once).
    void setCharacterDelayMs(int ms) { m_characterDelayMs = ms; }

    // One record from a fix: local time, latitude and longitude in degrees (south and west
    // negative), speed and course.
    static QByteArray record(const QDateTime &time, double latitude, double longitude, double speed,
                             double course);
    // A drive of count fixes, 30 seconds apart, for demonstrations and benchmarks.
    static QList<QByteArray> sampleDrive(int count);
    // Records from a text file, one per line; nullopt (with the reason) when a line is not a
    // record.
    static std::optional<QList<QByteArray>> readRecords(const QString &path, QString &error);

    void begin(UnitLine &line) override;
    void receive(const QByteArray &characters, UnitLine &line) override;
    bool finished() const override { return m_awaiting == Awaiting::Nothing && m_done; }
    void abandon() override;

    int charactersSent() const { return m_sent; }

signals:
    // The PC confirmed a record with "1"; count records have been confirmed in this upload.
    void recordConfirmed(int count);

private:
    enum class Awaiting { Nothing, CharacterAnswer, RecordAnswer };

    void sendNext();
    void sendNextAfter(int ms);

    QList<QByteArray> m_records;
    int m_silentAfter = -1;
    int m_burstAt = 0;
    int m_startDelayMs = 100;
    int m_characterDelayMs = 0;
    QTimer m_next; // the next character, when it is not sent at once

    UnitLine *m_line = nullptr;
    Awaiting m_awaiting = Awaiting::Nothing;
    bool m_done = true;
    int m_record = 0;   // the record being sent
    int m_position = 0; // characters of it already sent
    int m_sent = 0;     // characters of the log sent in this upload
};
