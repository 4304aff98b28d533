#include "position_log_upload.h"

#include "position_log.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {
PhaseOutcome finish(OperationContext &context, PhaseOutcome outcome,
                    std::optional<UserMessage> ending = {})
{
    context.hide(StatusItem::PositionCountCaption);
    context.hide(StatusItem::PositionCount);
    return context.finish(StatusItem::UploadingPositions, outcome, std::move(ending));
}
} // namespace

PositionLogUpload::PositionLogUpload(std::function<QDateTime()> clock) : m_now(std::move(clock))
{
    if (!m_now)
        m_now = [] { return QDateTime::currentDateTime(); };
}

PhaseTask PositionLogUpload::run(OperationContext &context)
{
    m_recordCount = 0;
    m_logFileName.clear();
    if (context.stopped())
        co_return PhaseOutcome::Abort;

    // The unit changes speed once it has accepted the password.
    context.port.setSettings(QStringLiteral("38400,N,8,1"));
    context.port.discardInput();
    context.show(StatusItem::UploadingPositions);
    context.show(StatusItem::PositionCountCaption);
    context.show(
        StatusItem::PositionCount); // keeps the last upload's count until a record completes
    // The unit does not say how many records it holds: a busy bar, the count is PositionCount.
    context.status.setProgress(0, 0);

    PositionLog::File file;
    // Any failure from here on ends the upload with the error message and a closed port.
    const auto errorEnd = [&] {
        file.close();
        context.port.close();
        return finish(context, PhaseOutcome::Failure,
                      UserMessage{QStringLiteral("Download "), QStringLiteral("Error"),
                                  MessageIcon::Critical});
    };
    const bool created = file.create(PositionLog::fileName(m_now(), QLocale::system()));
    m_logFileName = file.name();
    if (!created)
        co_return errorEnd();

    PositionLog::LineWriter writer;
    int &recordCount = m_recordCount;
    bool endOfLog = false;
    while (!endOfLog) {
        int characterCount = 0;
        QByteArray record;
        // Every piece from the unit starts the silence over; the unit waits for each answer
        // before it sends on, so the answer goes out the moment the piece is read.
        const bool answered = co_await context.waitTicks(silenceTicks, [&] {
            if (context.abortRequested)
                return true;
            QByteArray piece;
            if (context.readWaiting(piece)) {
                context.clock.setTickCount(0);
                if (piece == "E") {
                    record.clear();
                    context.replyReceived = true;
                    endOfLog = true;
                } else {
                    // The unit sends one character per "N": a longer piece still counts once.
                    record += piece;
                    ++characterCount;
                }
                if (characterCount < PositionLog::recordLength)
                    context.port.write("N");
            }
            if (characterCount == PositionLog::recordLength) {
                context.replyReceived = true;
                ++recordCount;
                context.status.setStatusText(StatusItem::PositionCount,
                                             QString::number(recordCount));
            }
            return context.replyReceived;
        });
        if (context.stopped() || context.abortRequested) {
            // The records written so far stay, also when the device went away.
            file.close();
            co_return finish(context, PhaseOutcome::Abort);
        }
        if (!answered) {
            // The unit fell silent: the records written so far stay, the partial one is dropped.
            file.close();
            co_return finish(context, PhaseOutcome::Failure,
                             UserMessage{QStringLiteral("Error GPS Data download !"),
                                         QStringLiteral("Invalid download !"),
                                         MessageIcon::Critical});
        }
        if (!record.isEmpty() && !file.writeLine(writer.line(record)))
            co_return errorEnd();
        context.port.write("1");
        context.replyReceived = false;
    }

    file.close();
    if (recordCount > 0)
        co_return finish(
            context, PhaseOutcome::Success,
            UserMessage{QLatin1Char(' ') + QString::number(recordCount) +
                            QStringLiteral(" GPS locations Saved !"),
                        QStringLiteral("Saved"), MessageIcon::Information,
                        QDir::toNativeSeparators(QFileInfo(file.name()).absoluteFilePath())});
    co_return finish(context, PhaseOutcome::Success,
                     UserMessage{QStringLiteral("No GPS locations to download !"), QString(),
                                 MessageIcon::Information});
}
