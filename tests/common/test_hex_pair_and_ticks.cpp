#include "common/hex_pair.h"
#include "common/tick_clock.h"

#include <QTimer>
#include <QtTest>

class TestHexPairAndTicks : public QObject
{
    Q_OBJECT
private slots:
    void encodesBytes()
    {
        const QList<std::pair<int, QByteArray>> rows = {{0, "00"},    {9, "09"},   {10, "0A"},
                                                        {0xF0, "F0"}, {255, "FF"}, {51, "33"}};
        for (const auto &[byte, text] : rows)
            QCOMPARE(HexPair::encode(static_cast<quint8>(byte)), text);
    }

    void decodesLikeTheUnit()
    {
        // Outside the alphabet the rule still gives a value, never an error.
        const QList<std::pair<char, int>> rows = {{'0', 0},  {'9', 9},  {'A', 10}, {'F', 15},
                                                  {'a', 42}, {'p', 57}, {' ', -16}};
        for (const auto &[c, value] : rows)
            QCOMPARE(HexPair::digitValue(c), value);
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

    void waitEndsOnConditionOrAfterTicks()
    {
        TickClock slow(1000000);
        bool flag = false;
        QTimer::singleShot(20, &slow, [&] { flag = true; });
        QVERIFY(slow.waitTicks(5, [&] { return flag; }));
        QCOMPARE(slow.tickCount(), 0); // ended at once, long before the first tick

        TickClock fast(20);
        QVERIFY(!fast.waitTicks(3, [] { return false; }));
        QCOMPARE(fast.tickCount(), 3);
    }
};

QTEST_MAIN(TestHexPairAndTicks)
#include "test_hex_pair_and_ticks.moc"
