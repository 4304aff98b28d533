#pragma once

#include "configuration_model.h"
#include "link/operation_phase.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The configuration's exchanges with the unit: operation 1 sends the 256-byte image as 512 hex
// characters, operation 0 receives positions 0 to 254 and the unit's version text and puts them
// into the configuration.

namespace ConfigurationTransferTexts {
inline const QString downloaded = QStringLiteral("Download succesful !");
inline const QString downloadedTitle = QStringLiteral("Download"); // information icon
// Both operations fail with the same words.
inline const QString failed = QStringLiteral("Error download !");
inline const QString failedTitle = QStringLiteral("Invalid download !"); // critical icon
inline const QString uploaded = QStringLiteral("Upload complete");
inline const QString uploadedTitle = QStringLiteral("Upload"); // information icon
} // namespace ConfigurationTransferTexts

// The download's pause after each character, once the character has left the PC: two
// character times (start bit, 8 data bits, stop bit) at the line speed, rounded up to a whole
// millisecond, one for the character still on its way down the line and one for the unit to
// take it, since the unit gives no flow control. 3 ms at 9600 bit/s.
int downloadPauseMs(int baudRate);

// Operation 1, "D": the image goes out as hex pairs, a pause after each character and nothing
// read meanwhile; then the unit has 4 ticks to say "OK". The port is closed either way.
class ConfigurationDownloadPhase : public OperationPhase
{
public:
    explicit ConfigurationDownloadPhase(const QByteArray &image) : m_image(image) {}
    PhaseTask run(OperationContext &context) override;

private:
    // False when the character never left the PC (the line is stuck).
    static OperationTask<bool> pauseAfterCharacter(OperationContext &context);

    const QByteArray &m_image;
};

// Operation 0, "U": the unit sends image positions 0 to 254 one hex character at a time, each
// answered with "1", then its version text in four arrivals. Only then does the configuration
// change.
class ConfigurationUploadPhase : public OperationPhase
{
public:
    ConfigurationUploadPhase(QByteArray &image, ConfigurationModel &configuration)
        : m_image(image), m_configuration(configuration)
    {
    }
    PhaseTask run(OperationContext &context) override;

private:
    OperationTask<bool> receiveImage(OperationContext &context);
    OperationTask<bool> receiveVersion(OperationContext &context);
    // One received hex character into the image at the byte index.
    void store(int digit);

    QByteArray &m_image;
    ConfigurationModel &m_configuration;
    int m_byteIndex = 0;
    bool m_highHalf = true;
    QByteArray m_lastInput;
};

// Command1's check and build: the image from the record into image, or the box "Invalid
// Configuration" / "Error" (critical) with the image untouched and nothing sent.
std::optional<UserMessage> buildConfigurationImage(const ConfigurationRecord &record,
                                                   QByteArray &image);
