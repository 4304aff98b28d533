#include "common/configuration_image_layout.h"
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
        QTest::newRow("16-bit 6081") << "16"
                                     << "6081" << Bytes{23, 193} << Bytes{23, 193};
        QTest::newRow("16-bit 200") << "16"
                                    << "200" << Bytes{0, 200} << Bytes{0, 200};
        QTest::newRow("16-bit 511.6") << "16"
                                      << "511.6" << Bytes{} << Bytes{2, 0};
        QTest::newRow("16-bit 300.5") << "16"
                                      << "300.5" << Bytes{1, 44} << Bytes{1, 44};
        QTest::newRow("16-bit 301.5") << "16"
                                      << "301.5" << Bytes{1, 46} << Bytes{1, 46};
        QTest::newRow("16-bit -1") << "16"
                                   << "-1" << Bytes{} << Bytes{};
        QTest::newRow("16-bit -0.4") << "16"
                                     << "-0.4" << Bytes{0, 0} << Bytes{0, 0};
        QTest::newRow("16-bit overflow") << "16"
                                         << "1E400" << Bytes{} << Bytes{};
        QTest::newRow("byte 10.5") << "byte"
                                   << "10.5" << Bytes{10} << Bytes{10};
        QTest::newRow("byte 11.5") << "byte"
                                   << "11.5" << Bytes{12} << Bytes{12};
        QTest::newRow("byte -1") << "byte"
                                 << "-1" << Bytes{} << Bytes{};
        QTest::newRow("byte -0.4") << "byte"
                                   << "-0.4" << Bytes{0} << Bytes{0};
        QTest::newRow("byte spaced") << "byte"
                                     << " 45" << Bytes{45} << Bytes{45};
        QTest::newRow("byte empty") << "byte"
                                    << "" << Bytes{0} << Bytes{0};
        QTest::newRow("byte 256") << "byte"
                                  << "256" << Bytes{} << Bytes{};
        QTest::newRow("speed 100") << "speed"
                                   << "100" << Bytes{54} << Bytes{54};
        QTest::newRow("speed 101") << "speed"
                                   << "101" << Bytes{55} << Bytes{55};
        QTest::newRow("speed 102") << "speed"
                                   << "102" << Bytes{55} << Bytes{55};
        QTest::newRow("speed 183") << "speed"
                                   << "183" << Bytes{99} << Bytes{99};
        QTest::newRow("speed 120") << "speed"
                                   << "120" << Bytes{65} << Bytes{65};
        // 100.6 / 1.852 = 54.32, but 101 / 1.852 = 54.54
        QTest::newRow("speed 100.6") << "speed"
                                     << "100.6" << Bytes{54} << Bytes{55};
        QTest::newRow("speed 473") << "speed"
                                   << "473" << Bytes{255} << Bytes{255};
        QTest::newRow("speed 474") << "speed"
                                   << "474" << Bytes{} << Bytes{};
        QTest::newRow("address zeros")
            << "address"
            << "192.168.001.010" << Bytes{192, 168, 1, 10} << Bytes{192, 168, 1, 10};
        QTest::newRow("address") << "address"
                                 << "192.168.1.10" << Bytes{192, 168, 1, 10}
                                 << Bytes{192, 168, 1, 10};
        QTest::newRow("address spaced")
            << "address"
            << " 192. 168. 1. 10" << Bytes{192, 168, 1, 10} << Bytes{192, 168, 1, 10};
        QTest::newRow("address two points") << "address"
                                            << "192.168.1" << Bytes{} << Bytes{};
        QTest::newRow("address 300") << "address"
                                     << "192.168.1.300" << Bytes{} << Bytes{};
        QTest::newRow("address empty pieces") << "address"
                                              << "..." << Bytes{0, 0, 0, 0} << Bytes{0, 0, 0, 0};
        QTest::newRow("triple 35.4567") << "triple"
                                        << "35.4567" << Bytes{35, 45, 67} << Bytes{35, 45, 67};
        QTest::newRow("triple 5.0705") << "triple"
                                       << "5.0705" << Bytes{5, 7, 5} << Bytes{5, 7, 5};
        QTest::newRow("triple 35.123") << "triple"
                                       << "35.123" << Bytes{35, 12, 3} << Bytes{35, 12, 3};
        QTest::newRow("triple 51.45") << "triple"
                                      << "51.45" << Bytes{51, 45, 0} << Bytes{51, 45, 0};
        QTest::newRow("triple 51.4") << "triple"
                                     << "51.4" << Bytes{51, 4, 0} << Bytes{51, 4, 0};
        QTest::newRow("triple 0.4567") << "triple"
                                       << "0.4567" << Bytes{0, 45, 67} << Bytes{0, 45, 67};
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

    void writesPhoneNumberWithHash_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QByteArray>("expected"); // positions 16 to 33
        QTest::addColumn<bool>("ok");
        const QByteArray fill(18, char(0xFF));
        QByteArray ten = fill;
        ten.replace(0, 11, "0123456789#");
        ten[16] = 0;
        QTest::newRow("ten digits") << "0123456789" << ten << true;
        QByteArray empty = fill;
        empty[0] = '#';
        empty[16] = 0;
        QTest::newRow("empty") << "" << empty << true;
        QByteArray sixteen = "0123456789ABCDEF";
        sixteen += QByteArray(1, 0) + char(0xFF);
        QTest::newRow("sixteen, hash gives way") << "0123456789ABCDEF" << sixteen << true;
        QTest::newRow("seventeen") << "0123456789ABCDEFG" << fill << false;
    }
    void writesPhoneNumberWithHash()
    {
        QFETCH(QString, number);
        QFETCH(QByteArray, expected);
        QFETCH(bool, ok);
        QByteArray image(256, char(0xFF));
        QCOMPARE(writePhoneNumber(image, number), ok);
        QCOMPARE(image.mid(16, 18), expected);
        QCOMPARE(image.left(16), QByteArray(16, char(0xFF)));
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
    }

    void writesCoordinateTexts_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("35.4567") << Bytes{35, 45, 67} << "35.4567";
        QTest::newRow("5.0705") << Bytes{5, 7, 5} << "5.0705";
        QTest::newRow("35.1203") << Bytes{35, 12, 3} << "35.1203";
        QTest::newRow("empty entry") << Bytes{255, 0, 0} << "0.0000";
        QTest::newRow("zero") << Bytes{0, 0, 0} << "0.0000";
    }
    void writesCoordinateTexts()
    {
        QFETCH(Bytes, bytes);
        QFETCH(QString, text);
        QCOMPARE(coordinateText(bytes[0], bytes[1], bytes[2]), text);
    }

    void layoutConstantsAreTheUnits()
    {
        namespace L = ConfigurationImageLayout;
        QByteArray image(256, char(0xFF));
        for (const L::Constant &c : L::constants)
            image[c.position] = char(c.value);
        QByteArray expected(256, char(0xFF));
        expected[0] = 0x56;
        for (int p : {8, 32, 37, 41, 43, 210})
            expected[p] = 0;
        expected[42] = 0x10;
        expected[44] = 0x14;
        expected[45] = 0x0A;
        QCOMPARE(image, expected);
    }
};

QTEST_APPLESS_MAIN(TestImageEncoding)
#include "test_image_encoding.moc"
