#include "common/image_encoding.h"

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
    void byteConversionRoundsHalvesToEven()
    {
        const QList<std::pair<double, Bytes>> rows = {
            {2.5, {2}},  {3.5, {4}}, {10.5, {10}}, {11.5, {12}}, {10.51, {11}},  {-0.4, {0}},
            {-0.5, {0}}, {-0.6, {}}, {-1.0, {}},   {255.5, {}},  {254.5, {254}}, {255.4, {255}}};
        for (const auto &[value, byte] : rows)
            QVERIFY2(bytesOf(byteOf(value)) == byte, qPrintable(QString::number(value)));
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
            {"triple", "256.0000", {}, {}},
        };
        for (const Row &row : rows) {
            QTest::addRow("%s '%s'", row.encoder, row.text)
                << QString::fromLatin1(row.encoder) << QString::fromLatin1(row.text) << row.tool
                << row.server;
        }
    }
    void encodesTexts()
    {
        QFETCH(QString, encoder);
        QFETCH(QString, text);
        QFETCH(Bytes, tool);
        QFETCH(Bytes, server);
        const auto encode = [&](Variant variant) -> Bytes {
            if (encoder == QLatin1String("16"))
                return bytesOf(sixteenBit(text, variant));
            if (encoder == QLatin1String("byte"))
                return bytesOf(byteNumber(text, variant));
            if (encoder == QLatin1String("speed"))
                return bytesOf(speedKnots(text, variant));
            if (encoder == QLatin1String("address"))
                return bytesOf(address(text, variant));
            return bytesOf(coordinateTriple(text, variant));
        };
        QCOMPARE(encode(toolVariant), tool);
        QCOMPARE(encode(serverVariant), server);
    }

    void readsListIndexes()
    {
        const QList<std::pair<const char *, Bytes>> rows = {
            {"0", {0}}, {"-1", {-1}}, {" 3 ", {3}}, {"2.5", {2}},
            {"", {}},   {"one", {}},  {"1x", {}},   {"1e12", {}}}; // empty: refused
        for (const auto &[text, index] : rows) {
            const std::optional<int> read = wholeNumber(QString::fromLatin1(text));
            QVERIFY2((read ? Bytes{*read} : Bytes{}) == index, text);
        }
        QCOMPARE(bytesOf(listByte(-1)), Bytes{});
        QCOMPARE(bytesOf(listByte(4)), Bytes{4});
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
};

QTEST_APPLESS_MAIN(TestImageEncoding)
#include "test_image_encoding.moc"
