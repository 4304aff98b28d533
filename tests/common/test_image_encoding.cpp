// The encoders of the images, the numbers, quoted fields and hex pairs they are read from and
// written as, and the tick clock of the exchanges.
#include "common/hex_pair.h"
#include "common/image_encoding.h"
#include "common/numeric_value.h"
#include "common/quoted_fields.h"
#include "common/tick_clock.h"

#include <QTimer>

#include <QtTest>

using namespace ImageEncoding;

namespace {
using Bytes = QList<int>; // empty: a conversion failure

template <std::size_t N> Bytes bytesOf(const std::optional<std::array<quint8, N>> &bytes)
{
    return bytes ? Bytes(bytes->begin(), bytes->end()) : Bytes{};
}
Bytes bytesOf(const std::optional<quint8> &byte)
{
    return byte ? Bytes{*byte} : Bytes{};
}
} // namespace

class TestImageEncoding : public QObject
{
    Q_OBJECT
private slots:
    void bytesRoundHalvesToEvenAndListIndexes()
    {
        const QList<std::pair<double, Bytes>> rows = {
            {2.5, {2}},  {3.5, {4}}, {10.5, {10}}, {11.5, {12}}, {10.51, {11}},  {-0.4, {0}},
            {-0.5, {0}}, {-0.6, {}}, {-1.0, {}},   {255.5, {}},  {254.5, {254}}, {255.4, {255}}};
        for (const auto &[value, byte] : rows)
            QVERIFY2(bytesOf(byteOf(value)) == byte, qPrintable(QString::number(value)));
        // List indexes: whole numbers, leniently read.
        const QList<std::pair<const char *, Bytes>> indexes = {
            {"0", {0}}, {"-1", {-1}}, {" 3 ", {3}}, {"2.5", {2}},
            {"", {}},   {"one", {}},  {"1x", {}},   {"1e12", {}}}; // empty: refused
        for (const auto &[text, index] : indexes) {
            const std::optional<int> read = wholeNumber(QString::fromLatin1(text));
            QVERIFY2((read ? Bytes{*read} : Bytes{}) == index, text);
        }
        QCOMPARE(bytesOf(listByte(-1)), Bytes{});
        QCOMPARE(bytesOf(listByte(4)), Bytes{4});
    }

    // Every encoder over a text, for vortsetup and for Server; the rows where the
    // two differ pin the difference.
    void encodesTexts_data()
    {
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Bytes>("tool");
        QTest::addColumn<Bytes>("server");
        struct Row
        {
            const char *encoder, *text;
            Bytes tool, server;
        };
        const Row rows[] = {
            {"16", "1000", {3, 232}, {3, 232}},
            {"16", "65535", {255, 255}, {255, 255}},
            {"16", "65536", {}, {}},
            {"16", "511.6", {}, {2, 0}},
            {"16", "301.5", {1, 46}, {1, 46}},
            {"16", "-1", {}, {}},
            {"16", "-0.4", {0, 0}, {0, 0}},
            {"16", "1E400", {}, {}},
            {"byte", "-1", {}, {}},
            {"byte", " 45", {45}, {45}},
            {"byte", "", {0}, {0}},
            {"byte", "256", {}, {}},
            {"speed", "183", {99}, {99}},
            {"speed", "100.6", {54}, {55}}, // 100.6 / 1.852 = 54.32, but 101 / 1.852 = 54.54
            {"speed", "473", {255}, {255}},
            {"speed", "474", {}, {}},
            {"address", " 192. 168. 1. 10", {192, 168, 1, 10}, {192, 168, 1, 10}},
            {"address", "192.168.1", {}, {}},
            {"address", "192.168.1.300", {}, {}},
            {"address", "...", {0, 0, 0, 0}, {0, 0, 0, 0}},
            {"triple", "35.123", {35, 12, 3}, {35, 12, 3}},
            {"triple", "255", {}, {255, 255, 255}},
            {"triple", "", {}, {255, 255, 255}},
            {"triple", "-12.5000", {}, {}},
            {"triple", "256.0000", {}, {}}};
        for (const Row &row : rows)
            QTest::addRow("%s '%s'", row.encoder, row.text)
                << QString::fromLatin1(row.encoder) << QString::fromLatin1(row.text) << row.tool
                << row.server;
    }
    void encodesTexts()
    {
        QFETCH(QString, encoder);
        QFETCH(QString, text);
        QFETCH(Bytes, tool);
        QFETCH(Bytes, server);
        const QMap<QString, std::function<Bytes(Variant)>> encoders = {
            {"16", [&](Variant v) { return bytesOf(sixteenBit(text, v)); }},
            {"byte", [&](Variant v) { return bytesOf(byteNumber(text, v)); }},
            {"speed", [&](Variant v) { return bytesOf(speedKnots(text, v)); }},
            {"address", [&](Variant v) { return bytesOf(address(text, v)); }},
            {"triple", [&](Variant v) { return bytesOf(coordinateTriple(text, v)); }}};
        QCOMPARE(encoders[encoder](toolVariant), tool);
        QCOMPARE(encoders[encoder](serverVariant), server);
    }

    void writesTextsOnlyWhenTheyFit()
    {
        QByteArray image(256, char(0xFF));
        QVERIFY(writeText(image, 160, 8, QStringLiteral("*99#")));
        QCOMPARE(image.mid(160, 8), QByteArray("*99#\xFF\xFF\xFF\xFF"));
        QVERIFY(!writeText(image, 160, 8, QStringLiteral("123456789")));
        QCOMPARE(image.mid(160, 9), QByteArray("*99#\xFF\xFF\xFF\xFF\xFF"));
        QVERIFY(writeText(image, 224, 32, QString(32, u'a')));
        QCOMPARE(image.mid(224), QByteArray(32, 'a'));
        QVERIFY(writeText(image, 0, 4, QString::fromLatin1("\xe9t\xe9")));
        QCOMPARE(image.left(4), QByteArray("\xe9t\xe9\xFF"));
        // A phone number fits 16 characters, its "#" giving way to position 32.
        QVERIFY(!writePhoneNumber(image, QString(17, u'1')));
        QCOMPARE(image.mid(16, 17), QByteArray(17, char(0xFF)));
    }

    void hexPairs()
    {
        const QList<std::pair<int, QByteArray>> rows = {{0, "00"},    {9, "09"},   {10, "0A"},
                                                        {0xF0, "F0"}, {255, "FF"}, {51, "33"}};
        for (const auto &[byte, text] : rows)
            QCOMPARE(HexPair::encode(static_cast<quint8>(byte)), text);
        // Decoded like the unit: outside the alphabet the rule still gives a value, never an error.
        const QList<std::pair<char, int>> digits = {{'0', 0},  {'9', 9},  {'A', 10}, {'F', 15},
                                                    {'a', 42}, {'p', 57}, {' ', -16}};
        for (const auto &[c, value] : digits)
            QCOMPARE(HexPair::digitValue(c), value);
    }

    void tickClockWraps()
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

    void readsLeniently_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: too large, so no value
        const QList<std::pair<const char *, double>> rows = {
            {"", 0.0},     {"abc", 0.0},     {"240", 240.0},     {"12abc", 12.0},
            {"1,5", 1.0},  {"2 4 0", 240.0}, {"\t1\n2", 12.0},   {"  - 3.5", -3.5},
            {"+7", 7.0},   {"1.2.3", 1.2},   {".5", 0.5},        {".", 0.0},
            {"-", 0.0},    {"1.5E2", 150.0}, {"2d3", 2000.0},    {"25e-1", 2.5},
            {"7E", 7.0},   {"&HF0", 240.0},  {"&hff", 255.0},    {"&O17", 15.0},
            {"&O78", 7.0}, {"&", 0.0},       {"&X1", 0.0},       {"90.00001", 90.00001},
            {"1\r2", 1.0}, {"1e-400", 0.0},  {"1E400", qQNaN()}, {"-9D999", qQNaN()}};
        for (const auto &[text, value] : rows)
            QTest::addRow("'%s'", QByteArray(text).toPercentEncoding(" +-.&,").constData())
                << QString::fromLatin1(text) << value;
    }
    void readsLeniently()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        const std::optional<double> read = numericValue(text);
        QCOMPARE(read.has_value(), !qIsNaN(value));
        QCOMPARE(read.value_or(-1.0), qIsNaN(value) ? -1.0 : value);
        QCOMPARE(numericValueOr(text, -1.0), read.value_or(-1.0));
    }

    void readsFieldsByTheFileRules()
    {
        using Fields = QList<QPair<QString, bool>>; // text, quoted
        const Fields rules = {{"V6.X", true}, {"0", false}, {"a, b", true}, {"", true},
                              {"12", false},  {"x", true},  {"7", false},   {"-1", false}};
        const QList<std::pair<QByteArray, Fields>> files = {
            {"\"V6.X\"\r\n0\r\n  \"a, b\"\r\n\"\"\r\n12 ,\"x\"junk,7\r\n-1\r\n\r\n", rules},
            // An unterminated quote runs to the end; a bare LF ends a field too.
            {"1\n\"open to the end", {{"1", false}, {"open to the end", true}}}};
        for (const auto &[content, expected] : files) {
            QuotedFieldReader reader(content);
            Fields read;
            for (QuotedField field; reader.next(field);)
                read.append({field.text, field.quoted});
            QCOMPARE(read, expected);
            QVERIFY(reader.atEnd());
        }
    }

    void writesLinesOfSingleBytes()
    {
        QCOMPARE(QuotedFields::line({QuotedFields::quoted("7"), QuotedFields::quoted("255"),
                                     QuotedFields::quoted("255")}),
                 QByteArray("\"7\",\"255\",\"255\"\r\n"));
        QCOMPARE(QuotedFields::line({"0"}), QByteArray("0\r\n"));
        // Eight-bit characters are kept.
        const QString text = QString::fromLatin1("caf\xe9\xff");
        QCOMPARE(toSingleByte(text), QByteArray("caf\xe9\xff"));
        QCOMPARE(fromSingleByte(toSingleByte(text)), text);
        QCOMPARE(toSingleByte(QStringLiteral("\u20ac")), QByteArray("?"));
    }
};

QTEST_GUILESS_MAIN(TestImageEncoding)
#include "test_image_encoding.moc"
