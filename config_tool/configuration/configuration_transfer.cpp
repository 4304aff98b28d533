#include "configuration_transfer.h"

#include "common/hex_pair.h"
#include "configuration_check.h"
#include "configuration_image.h"

#include <cmath>
#include <functional>

using namespace ConfigurationTransferTexts;

namespace {
constexpr int imageSize = 256;
// The unit sends every position but the last.
constexpr int uploadedBytes = 255;
constexpr int downloadReplyTicks = 4;
constexpr int uploadSilenceTicks = 8;
constexpr int versionTicks = 5;
constexpr int versionArrivals = 4;
constexpr int bitsPerCharacter = 10; // start, 8 data, stop
constexpr int stuckLineMs = 1000;

} // namespace

int downloadPauseMs(int baudRate)
{
    const int baud = baudRate > 0 ? baudRate : 9600;
    return static_cast<int>(std::ceil(2.0 * bitsPerCharacter * 1000.0 / baud));
}

PhaseTask ConfigurationDownloadPhase::run(OperationContext &context)
{
    context.show(StatusItem::DownloadingConfiguration);

    const QByteArray characters = HexPair::encode(m_image.left(imageSize));
    const int total = int(characters.size());
    context.status.setProgress(0, total);
    for (int sent = 0; sent < total; ++sent) {
        context.port.write(QByteArray(1, characters.at(sent)));
        const bool paced = co_await pauseAfterCharacter(context);
        if (!paced)
            break; // no "OK" can come: the wait below ends in the failure message
        if (context.stopped())
            co_return context.finish(StatusItem::DownloadingConfiguration, PhaseOutcome::Abort);
        context.status.setProgress(sent + 1, total);
    }

    // Whatever the unit sent during the send is still waiting and counts: an early "OK" too.
    context.replyReceived = false;
    context.replyBuffer.clear();
    context.replyReceived = co_await context.waitTicks(downloadReplyTicks, [&] {
        context.readWaiting(context.replyBuffer);
        return context.replyBuffer.contains("OK");
    });
    if (!context.replyReceived)
        co_return context.finish(StatusItem::DownloadingConfiguration, PhaseOutcome::Failure,
                                 UserMessage{failed, failedTitle, MessageIcon::Critical});
    co_return context.finish(StatusItem::DownloadingConfiguration, PhaseOutcome::Success,
                             UserMessage{downloaded, downloadedTitle, MessageIcon::Information});
}

OperationTask<bool> ConfigurationDownloadPhase::pauseAfterCharacter(OperationContext &context)
{
    // First until the character has left the PC's own buffer; a line that takes nothing for a
    // second is stuck (a device gone), and the send ends there...
    if (context.port.bytesToWrite() > 0) {
        const bool left = co_await context.waitAtMost(
            stuckLineMs, [&] { return context.port.bytesToWrite() == 0; });
        if (!left)
            co_return context.stopped();
    }
    // ...then two character times more.
    co_await context.waitAtMost(downloadPauseMs(context.port.baudRate()));
    co_return true;
}

PhaseTask ConfigurationUploadPhase::run(OperationContext &context)
{
    context.show(StatusItem::UploadingConfiguration);

    bool received = co_await receiveImage(context);
    if (received)
        received = co_await receiveVersion(context);
    if (!received || context.stopped()) {
        // The configuration is untouched: it changes only once everything has arrived.
        co_return context.finish(StatusItem::UploadingConfiguration, PhaseOutcome::Failure,
                                 UserMessage{failed, failedTitle, MessageIcon::Critical});
    }

    ConfigurationRecord record = m_configuration.record();
    // The version caption takes the text exactly as it came, line ends included.
    record.versionNumber = QString::fromLatin1(context.replyBuffer);
    decodeConfigurationImage(m_image, record);
    m_configuration.setRecord(record);

    co_return context.finish(StatusItem::UploadingConfiguration, PhaseOutcome::Success,
                             UserMessage{uploaded, uploadedTitle, MessageIcon::Information});
}

OperationTask<bool> ConfigurationUploadPhase::receiveImage(OperationContext &context)
{
    m_byteIndex = 0;
    m_highHalf = true;
    if (m_image.size() < imageSize)
        m_image.resize(imageSize, '\0');
    constexpr int uploadedCharacters = 2 * uploadedBytes;
    context.status.setProgress(0, uploadedCharacters);
    context.replyReceived = co_await context.waitTicks(uploadSilenceTicks, [&] {
        if (context.port.bytesWaiting() <= 0)
            return false;
        // The limit counts the silence since the last arrival.
        context.clock.setTickCount(0);
        m_lastInput = context.port.readAll();
        // The unit's acceptance may come again on its own before the first byte: no answer.
        if (m_lastInput == "p" && m_byteIndex == 0)
            return false;
        // One character per read counts, and one "1" answers the whole read: the unit sends
        // its next character only after that answer.
        store(HexPair::digitValue(m_lastInput.at(0)));
        context.port.write("1");
        context.status.setProgress(2 * m_byteIndex + (m_highHalf ? 0 : 1), uploadedCharacters);
        return m_byteIndex == uploadedBytes;
    });
    co_return context.replyReceived;
}

void ConfigurationUploadPhase::store(int digit)
{
    const int current = static_cast<quint8>(m_image.at(m_byteIndex));
    const int value = m_highHalf ? digit * 16 : current + digit;
    // Only a character other than 0-9 and A-F gives a value that does not fit: the position
    // keeps what it held, and the reading goes on all the same.
    if (value >= 0 && value <= 255)
        m_image[m_byteIndex] = static_cast<char>(value);
    if (!m_highHalf)
        ++m_byteIndex;
    m_highHalf = !m_highHalf;
}

OperationTask<bool> ConfigurationUploadPhase::receiveVersion(OperationContext &context)
{
    // Not answered: whatever comes after the last image character is the version text.
    context.replyReceived = false;
    context.replyBuffer.clear();
    int arrivals = 0;
    context.replyReceived = co_await context.waitTicks(versionTicks, [&] {
        if (context.readWaiting(context.replyBuffer))
            ++arrivals;
        return arrivals >= versionArrivals;
    });
    co_return context.replyReceived;
}

std::optional<UserMessage> buildConfigurationImage(const ConfigurationRecord &record,
                                                   QByteArray &image)
{
    const std::optional<QByteArray> built = encodeConfigurationImage(record);
    if (!built)
        return UserMessage{ConfigurationCheckTexts::invalidConfiguration,
                           ConfigurationCheckTexts::errorTitle, MessageIcon::Critical};
    image = *built;
    return std::nullopt;
}
