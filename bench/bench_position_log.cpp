// Uploads a position log of 1,000 records from vortsim over a pseudo-terminal, through the
// production serial layer and the real phase, and reports the time per record and per character.
// The PC answers every character and the unit waits for each answer, so the figure is the round
// trip of one character through both programs.
#include "link/operation.h"
#include "link/position_log_upload.h"
#include "link/qt_serial_port.h"
#include "session/unit_session.h"
#include "support/main_window_bench.h"
#include "support/vortsim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {
constexpr int records = 1000;
constexpr int recordLength = 38;

// Times the phase alone, without the wake-up and password exchange before it.
class TimedPhase : public OperationPhase
{
public:
    PhaseTask run(OperationContext &context) override
    {
        QElapsedTimer timer;
        timer.start();
        const PhaseOutcome outcome = co_await upload.run(context);
        elapsedNs = timer.nsecsElapsed();
        co_return outcome;
    }
    PositionLogUpload upload;
    qint64 elapsedNs = 0;
};
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir directory;
    QDir::setCurrent(directory.path());

    VortsimProcess unit({QStringLiteral("--positions"), QString::number(records)});
    if (!unit.start()) {
        std::fprintf(stderr, "bench_position_log: vortsim did not start\n");
        return 1;
    }
    QtSerialPort port(unit.comOne());
    // The shipped tick: the phase's pace does not depend on it.
    UnitSession session(port, 1000);
    auto phase = std::make_unique<TimedPhase>();
    TimedPhase *timed = phase.get();
    session.engine().phases().add(Operation::uploadLocations, std::move(phase));

    const std::optional<OperationOutcome> outcome =
        runToEnd(session, Operation::uploadLocations, 600000);

    const QString expected = QStringLiteral(" %1 GPS locations Saved !").arg(records);
    if (!outcome || !outcome->message || outcome->message->prompt != expected) {
        std::fprintf(stderr, "bench_position_log: the upload did not succeed (%s)\n",
                     outcome && outcome->message ? qPrintable(outcome->message->prompt)
                                                 : "no message");
        return 1;
    }
    // Each record: 38 characters from the unit, 37 "N" and one "1" from the PC; "E" and "N1"
    // end the log.
    const double ms = timed->elapsedNs / 1e6;
    const int characters = records * recordLength + 1;
    std::printf("uploaded %d records in %.1f ms (including the unit's 100 ms start)\n", records,
                ms);
    std::printf("per record:    %.3f ms\n", ms / records);
    std::printf("per character: %.1f us (one character from the unit and its answer)\n",
                ms * 1000.0 / characters);
    std::printf("a real line at 38400 bit/s needs at least %.2f ms per record for the characters "
                "alone\n",
                2.0 * recordLength * 10.0 / 38400.0 * 1000.0);
    return 0;
}
