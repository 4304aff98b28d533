#include "table_download_phase.h"

#include "common/hex_pair.h"
#include "coordinate_triple.h"
#include "location_cells.h"
#include "table_file_check.h"
#include "table_stream.h"

PhaseTask TableDownloadPhase::run(OperationContext &context)
{
    context.show(StatusItem::DownloadingTable);
    context.port.discardInput();

    // The table does not change while the run holds the menu, so the stream is taken at once.
    QStringList cells;
    for (int index = 0; index < 300; ++index)
        cells.append(m_cells.cellText(index));
    const QByteArray stream = TableStream::bytesOf(cells);

    const int total = int(stream.size());
    context.status.setProgress(0, total);
    bool acknowledged = true;
    for (int sent = 0; acknowledged && sent < total; ++sent) {
        acknowledged = co_await sendAcknowledged(context, static_cast<quint8>(stream[sent]));
        if (acknowledged)
            context.status.setProgress(sent + 1, total);
    }

    if (acknowledged)
        co_return context.finish(StatusItem::DownloadingTable, PhaseOutcome::Success,
                                 UserMessage{QStringLiteral("Download succesful !"),
                                             QStringLiteral("Download"), MessageIcon::Information});
    co_return context.finish(StatusItem::DownloadingTable, PhaseOutcome::Failure,
                             UserMessage{QStringLiteral("Error download !"),
                                         QStringLiteral("Invalid download !"),
                                         MessageIcon::Critical});
}

OperationTask<bool> TableDownloadPhase::sendAcknowledged(OperationContext &context, quint8 byte)
{
    context.port.write(HexPair::encode(byte));
    context.replyReceived = false;
    // Only a read that is exactly "N" counts; anything else is dropped and the count goes on.
    co_await context.waitTicks(8, [&] {
        QByteArray piece;
        if (context.readWaiting(piece) && piece == "N")
            context.replyReceived = true;
        return context.replyReceived;
    });
    co_return context.replyReceived && !context.stopped();
}

std::optional<UserMessage> TableDownloadPhase::refusal(const QStringList &cells)
{
    const auto fault = TableFileCheck::firstUnsendable(cells);
    if (!fault)
        return std::nullopt;
    return UserMessage{
        QStringLiteral("Nothing has been downloaded: %1").arg(TableFileCheck::described(*fault)),
        QStringLiteral("Error"), MessageIcon::Critical};
}
