#include "table_upload_phase.h"

#include "location_cells.h"
#include "table_upload_receiver.h"

PhaseTask TableUploadPhase::run(OperationContext &context)
{
    context.port.setSettings(QStringLiteral("38400,N,8,1"));
    context.show(StatusItem::UploadingTable);
    context.port.discardInput();

    TableUploadReceiver receiver;
    int received = 0;
    context.status.setProgress(received, TableUploadReceiver::characterCount);
    context.replyReceived = false;
    // Every character restarts the count, so only 8 ticks of silence end the wait.
    co_await context.waitTicks(8, [&] {
        QByteArray piece;
        if (!context.readWaiting(piece) || piece.isEmpty())
            return false;
        context.clock.setTickCount(0);
        // The unit sends one character per "N"; one answer per read keeps that pace, so only
        // the first character of a read counts.
        if (const auto update = receiver.receive(piece.at(0)))
            m_cells.setCellText(update->index, update->text);
        context.status.setProgress(++received, TableUploadReceiver::characterCount);
        if (receiver.finished()) {
            context.replyReceived = true; // the last character goes unanswered
            return true;
        }
        context.port.write("N");
        return false;
    });

    if (context.replyReceived)
        co_return context.finish(StatusItem::UploadingTable, PhaseOutcome::Success,
                                 UserMessage{QStringLiteral("Upload succesful !"),
                                             QStringLiteral("Upload"), MessageIcon::Information});
    co_return context.finish(StatusItem::UploadingTable, PhaseOutcome::Failure,
                             UserMessage{QStringLiteral("Error upload !"),
                                         QStringLiteral("Invalid upload !"),
                                         MessageIcon::Critical});
}
