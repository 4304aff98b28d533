// The server's remote download exchange fed any datagrams: the input is a script of events,
// each a datagram (from the unit being served or from a stranger) or a tick of the clock.
// Datagrams arrive through the event loop while the exchange waits, as they would from the
// network. When the script ends, EXIT ends the exchange.
#include "common/network/datagram_socket.h"
#include "common/tick_clock.h"
#include "config_tool/configuration/configuration_file.h"
#include "config_tool/location_table/location_table_file.h"
#include "download_server/remote_download.h"
#include "fuzz_support.h"
#include "support/valid_configuration.h"

#include <QDir>
#include <QStringList>

#include <fuzzer/FuzzedDataProvider.h>

#include <functional>

namespace {

class ScriptedSocket : public DatagramSocket
{
public:
    bool listen() override { return listening = true; }
    void close() override { listening = false; }
    bool isListening() const override { return listening; }
    QString errorString() const override { return {}; }
    bool sendTo(const QByteArray &data, const QHostAddress &host, quint16 port) override
    {
        FuzzSupport::require(data.size() == 183, "every packet is 183 characters");
        FuzzSupport::require((host == unit && port == unitPort) || host == stranger,
                             "packets go only to a unit that asked");
        return true;
    }
    void arrive(const QByteArray &data, bool fromUnit)
    {
        deliver(data, fromUnit ? unit : stranger, fromUnit ? unitPort : quint16(40000));
    }

    bool listening = false;
    const QHostAddress unit{QStringLiteral("127.0.0.2")};
    const QHostAddress stranger{QStringLiteral("127.0.0.3")};
    const quint16 unitPort = 5000;
};

class SilentConsole : public DownloadConsole
{
public:
    void addActivity(const QString &) override {}
    void logLine(const QString &) override {}
    void showOperatingSystemFolder(const QString &) override {}

    QString base, configuration, table;
};

// A console whose files exist: an operating system, a configuration and a GPS table.
SilentConsole consoleWithFiles()
{
    static const SilentConsole made = [] {
        SilentConsole f;
        f.base = FuzzSupport::scratchFolder() + QStringLiteral("/os");
        QDir().mkpath(f.base + QStringLiteral("/V610"));
        FuzzSupport::writeScratchFile(QStringLiteral("os/V610/os.bin"), QByteArray(400, 'x'));
        f.configuration = FuzzSupport::writeScratchFile(
            QStringLiteral("configuration.txt"),
            configurationFileContent(TestSupport::validConfiguration()));
        QStringList cells;
        for (int row = 0; row < LocationTableFile::rowCount; ++row)
            cells << QString::number(row) << QStringLiteral("51.4523") << QStringLiteral("0.4567");
        f.table = FuzzSupport::writeScratchFile(QStringLiteral("table.txt"),
                                                LocationTableFile::write(cells));
        return f;
    }();
    return made;
}

} // namespace

VORT_FUZZ_TARGET
{
    FuzzSupport::ensureApplication();
    FuzzedDataProvider script(reinterpret_cast<const uint8_t *>(input.constData()),
                              size_t(input.size()));

    ScriptedSocket socket;
    // Time moves only when the script says so.
    TickClock clock(1000 * 1000 * 1000, TickClock::Wrap::AboveSixtyBeforeIncrement);
    SilentConsole console = consoleWithFiles();
    RemoteDownload download(socket, clock, console);
    download.settings().setOperatingSystemBase(console.base);
    download.settings().setConfigurationFile(console.configuration);
    download.settings().setGpsTableFile(console.table);

    socket.setLocalPort(6081);
    if (!download.startListening(QStringLiteral("6081")))
        return;
    // The exchange is driven by its events alone: each step of the script is one of them.
    // 0 a tick, 1 a datagram from a stranger, 2 and 3 one from the unit.
    while (script.remaining_bytes() > 0) {
        const int event = script.ConsumeIntegralInRange(0, 3);
        if (event == 0)
            clock.tick();
        else
            socket.arrive(QByteArray::fromStdString(script.ConsumeRandomLengthString(400)),
                          event > 1);
    }
    download.end();
    FuzzSupport::require(!socket.isListening(), "EXIT closes the socket");
}
