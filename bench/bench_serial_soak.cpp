// Every serial operation of vortsetup against vortsim over a pseudo-terminal, many times in a
// row (50 by default; the first argument changes it), through the session, the production serial
// layer and the real phases. Run it beside another build to load the machine. It reports the
// runs that did not succeed, each with the box it ended with, and fails if there was one.
#include "link/operation.h"
#include "link/qt_serial_port.h"
#include "session/unit_session.h"
#include "support/main_window_bench.h"
#include "support/valid_configuration.h"
#include "support/vortsim_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 50;
    QTemporaryDir directory; // the position logs land here
    QDir::setCurrent(directory.path());
    // A short tick, as the tests use: the waits the exchange mandates are not what this counts.
    constexpr int tickMs = 100;

    VortsimProcess unit({QStringLiteral("--demo")});
    if (!unit.start()) {
        std::fprintf(stderr, "bench_serial_soak: vortsim did not start\n");
        return 1;
    }
    QtSerialPort port(unit.comOne());
    UnitSession session(port, tickMs);
    session.configuration().setRecord(TestSupport::validConfiguration());

    int failures = 0;
    for (int code = 0; code < Operation::count; ++code) {
        int failed = 0;
        for (int round = 0; round < rounds; ++round) {
            const std::optional<OperationOutcome> outcome = runToEnd(session, code, 120000);
            if (outcome && outcome->succeeded())
                continue;
            ++failed;
            std::fprintf(stderr, "bench_serial_soak: operation %c, run %d ended with \"%s\"\n",
                         Operation::letter(code), round + 1,
                         outcome && outcome->message ? qPrintable(outcome->message->prompt)
                                                     : "no end");
            // A failure may leave the port open; the next run starts afresh.
            port.close();
        }
        std::printf("operation %c: %d of %d runs succeeded\n", Operation::letter(code),
                    rounds - failed, rounds);
        failures += failed;
    }
    return failures == 0 ? 0 : 1;
}
