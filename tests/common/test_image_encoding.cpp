#include "common/image_encoding.h"

#include <QtTest>

using namespace ImageEncoding;

namespace {
using Bytes = QList<int>; // empty: a conversion failure

template <std::size_t N> Bytes bytesOf(const std::optional<std::array<quint8, N>> &bytes)
{
    Bytes result;
    if (bytes) {
        for (quint8 b : *bytes)
            result << b;
    }
    return result;
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
    void byteConversionRoundsHalvesToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("byte"); // -1: failure
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("3.5") << 3.5 << 4;
        QTest::newRow("10.5") << 10.5 << 10;
        QTest::newRow("11.5") << 11.5 << 12;
        QTest::newRow("10.51") << 10.51 << 11;
        QTest::newRow("-0.4") << -0.4 << 0;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-0.6") << -0.6 << -1;
        QTest::newRow("-1") << -1.0 << -1;
        QTest::newRow("255.5") << 255.5 << -1;
        QTest::newRow("254.5") << 254.5 << 254;
        QTest::newRow("255.4") << 255.4 << 255;
    }
    void byteConversionRoundsHalvesToEven()
    {
        QFETCH(double, value);
        QFETCH(int, byte);
        const std::optional<quint8> converted = byteOf(value);
        QCOMPARE(converted ? int(*converted) : -1, byte);
    }

    // Every encoder over a text, for vortsetup and for Server; the rows where the two differ
    // pin the difference.
    void encodesTexts_data()
    {
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Bytes>("tool");
        QTest::addColumn<Bytes>("server");
        QTest::newRow("16-bit 1000") << "16"
                                     << "1000" << Bytes{3, 232} << Bytes{3, 232};
        QTest::newRow("16-bit 65535") << "16"
                                      << "65535" << Bytes{255, 255} << Bytes{255, 255};
        QTest::newRow("16-bit 65536") << "16"
                                      << "65536" << Bytes{} << Bytes{};
        QTest::newRow("16-bit 511.6") << "16"
                                      << "511.6" << Bytes{} << Bytes{2, 0};
        QTest::newRow("16-bit 301.5") << "16"
                                      << "301.5" << Bytes{1, 46} << Bytes{1, 46};
        QTest::newRow("16-bit -1") << "16"
                                   << "-1" << Bytes{} << Bytes{};
        QTest::newRow("16-bit -0.4") << "16"
                                     << "-0.4" << Bytes{0, 0} << Bytes{0, 0};
        QTest::newRow("16-bit overflow") << "16"
                                         << "1E400" << Bytes{} << Bytes{};
        QTest::newRow("byte -1") << "byte"
                                 << "-1" << Bytes{} << Bytes{};
        QTest::newRow("byte spaced") << "byte"
                                     << " 45" << Bytes{45} << Bytes{45};
        QTest::newRow("byte empty") << "byte"
                                    << "" << Bytes{0} << Bytes{0};
        QTest::newRow("byte 256") << "byte"
                                  << "256" << Bytes{} << Bytes{};
        QTest::newRow("speed 183") << "speed"
                                   << "183" << Bytes{99} << Bytes{99};
        // 100.6 / 1.852 = 54.32, but 101 / 1.852 = 54.54
        QTest::newRow("speed 100.6, rounded first by Server") << "speed"
                                                              << "100.6" << Bytes{54} << Bytes{55};
        QTest::newRow("speed 473") << "speed"
                                   << "473" << Bytes{255} << Bytes{255};
        QTest::newRow("speed 474") << "speed"
                                   << "474" << Bytes{} << Bytes{};
        QTest::newRow("address spaced")
            << "address"
            << " 192. 168. 1. 10" << Bytes{192, 168, 1, 10} << Bytes{192, 168, 1, 10};
        QTest::newRow("address two points") << "address"
                                            << "192.168.1" << Bytes{} << Bytes{};
        QTest::newRow("address 300") << "address"
                                     << "192.168.1.300" << Bytes{} << Bytes{};
        QTest::newRow("address empty pieces") << "address"
                                              << "..." << Bytes{0, 0, 0, 0} << Bytes{0, 0, 0, 0};
        QTest::newRow("triple 35.123") << "triple"
                                       << "35.123" << Bytes{35, 12, 3} << Bytes{35, 12, 3};
        QTest::newRow("triple no point") << "triple"
                                         << "255" << Bytes{} << Bytes{255, 255, 255};
        QTest::newRow("triple empty") << "triple"
                                      << "" << Bytes{} << Bytes{255, 255, 255};
        QTest::newRow("triple negative") << "triple"
                                         << "-12.5000" << Bytes{} << Bytes{};
        QTest::newRow("triple 256") << "triple"
                                    << "256.0000" << Bytes{} << Bytes{};
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

    void readsListIndexes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("ok");
        QTest::newRow("0") << "0" << 0 << true;
        QTest::newRow("-1") << "-1" << -1 << true;
        QTest::newRow("blanks") << " 3 " << 3 << true;
        QTest::newRow("half") << "2.5" << 2 << true;
        QTest::newRow("empty") << "" << 0 << false;
        QTest::newRow("word") << "one" << 0 << false;
        QTest::newRow("trailing letters") << "1x" << 0 << false;
        QTest::newRow("huge") << "1e12" << 0 << false;
    }
    void readsListIndexes()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(bool, ok);
        const std::optional<int> read = wholeNumber(text);
        QCOMPARE(read.has_value(), ok);
        if (ok)
            QCOMPARE(*read, index);
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
