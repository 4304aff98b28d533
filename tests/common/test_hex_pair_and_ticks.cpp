#include "common/hex_pair.h"
#include "common/tick_clock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

class TestHexPairAndTicks : public QObject
{
    Q_OBJECT
private slots:
    void encodesBytes_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("zero") << 0 << QByteArray("00");
        QTest::newRow("nine") << 9 << QByteArray("09");
        QTest::newRow("ten") << 10 << QByteArray("0A");
        QTest::newRow("high nibble") << 0xF0 << QByteArray("F0");
        QTest::newRow("empty entry") << 255 << QByteArray("FF");
        QTest::newRow("51") << 51 << QByteArray("33");
    }
    void encodesBytes()
    {
        QFETCH(int, byte);
        QFETCH(QByteArray, text);
        QCOMPARE(HexPair::encode(static_cast<quint8>(byte)), text);
    }

    void decodesLikeTheUnit()
    {
        QCOMPARE(HexPair::digitValue('0'), 0);
        QCOMPARE(HexPair::digitValue('9'), 9);
        QCOMPARE(HexPair::digitValue('A'), 10);
        QCOMPARE(HexPair::digitValue('F'), 15);
        // Outside the alphabet the rule still gives a value, never an error.
        QCOMPARE(HexPair::digitValue('a'), 42);
        QCOMPARE(HexPair::digitValue('p'), 57);
        QCOMPARE(HexPair::digitValue(' '), -16);
    }

    void wrapsLikeEachProgram()
    {
        TickClock setup(1000000, TickClock::Wrap::AtSixtyAfterIncrement);
        setup.setTickCount(59);
        setup.tick();
        QCOMPARE(setup.tickCount(), 0);

        TickClock server(1000000, TickClock::Wrap::AboveSixtyBeforeIncrement);
        server.setTickCount(60);
        server.tick();
        QCOMPARE(server.tickCount(), 61);
        server.tick();
        QCOMPARE(server.tickCount(), 1);
    }

    void waitEndsOnConditionAtOnce()
    {
        TickClock clock(1000);
        bool flag = false;
        QTimer::singleShot(20, [&] { flag = true; });
        QElapsedTimer timer;
        timer.start();
        QVERIFY(clock.waitTicks(5, [&] { return flag; }));
        QVERIFY(timer.elapsed() < 900);
    }

    void waitEndsAfterTicks()
    {
        TickClock clock(20);
        QVERIFY(!clock.waitTicks(3, [] { return false; }));
        QCOMPARE(clock.tickCount(), 3);
    }
};

QTEST_MAIN(TestHexPairAndTicks)
#include "test_hex_pair_and_ticks.moc"
