#include "link/line_settings.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "support/main_window_bench.h"

#include <QtTest>

namespace {
const ShownMessage notAvailable{
    QStringLiteral("COM: not available. Change the CommPort property to another port."),
    QStringLiteral("ERROR"), MessageIcon::None};
} // namespace

class TestSerialLinkPty : public QObject
{
    Q_OBJECT
private slots:
    void readsSettingsTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("9600") << "9600,N,8,1" << true << 9600 << 1;
        QTest::newRow("38400") << "38400,N,8,1" << true << 38400 << 1;
        QTest::newRow("even, 7, 2") << "1200,e,7,2" << true << 1200 << 2;
        QTest::newRow("one and a half") << "4800,N,8,1.5" << true << 4800 << 15;
        QTest::newRow("missing field") << "9600,N,8" << false << 0 << 0;
        QTest::newRow("bad parity") << "9600,X,8,1" << false << 0 << 0;
        QTest::newRow("bad speed") << "fast,N,8,1" << false << 0 << 0;
        QTest::newRow("nine data bits") << "9600,N,9,1" << false << 0 << 0;
    }
    void readsSettingsTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, baud);
        QFETCH(int, stopBits);
        const auto settings = LineSettings::parse(text);
        QCOMPARE(settings.has_value(), valid);
        if (valid) {
            QCOMPARE(settings->baudRate, baud);
            QCOMPARE(settings->stopBits, stopBits);
        }
    }

    void mapsComEntries()
    {
        PortMap map;
        QVERIFY(map.addMapping(QStringLiteral("COM1=/dev/ttyUSB0")));
        QVERIFY(map.addMapping(QStringLiteral("com12=/dev/pts/7")));
        QVERIFY(!map.addMapping(QStringLiteral("COM0=/dev/x")));
        QVERIFY(!map.addMapping(QStringLiteral("/dev/ttyUSB0")));
        QVERIFY(!map.addMapping(QStringLiteral("COM3=")));
        QCOMPARE(map.device(1), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(map.device(12), QStringLiteral("/dev/pts/7"));
#if defined(Q_OS_WIN)
        QCOMPARE(map.device(2), QStringLiteral("COM2"));
#else
        QCOMPARE(map.device(2), QStringLiteral("/dev/ttyS1"));
#endif
    }

    void missingDeviceGivesTheMessage()
    {
        PortMap map;
        map.addMapping(QStringLiteral("COM2=/nonexistent/ttyVORT"));
        QtSerialPort port(map);
        // What the port choice knows about the entry ends the line on standard error.
        port.setOpenFailureNote([](int portNumber) {
            return portNumber == 2 ? QStringLiteral("Try the adapter.") : QString();
        });
        RecordingMessageBoxes boxes;
        GPStracking window({&port, &boxes, nullptr, 100});
        window.engine().context().portIndex = 1;
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(
                                 "^COM2: /nonexistent/ttyVORT: .*\\. Try the adapter\\.$")));

        window.startOperation(0);

        QCOMPARE(boxes.shown, QList<ShownMessage>{notAvailable});
        QVERIFY(!port.isOpen());
        QVERIFY(port.errorString().startsWith(QStringLiteral("/nonexistent/ttyVORT")));
        // A settings text the line cannot take is refused before the device is asked.
        QVERIFY(!port.setSettings(QStringLiteral("38400")));
    }
};

QTEST_MAIN(TestSerialLinkPty)
#include "test_serial_link_pty.moc"
