#include "common/hex_pair.h"
#include "common/quoted_fields.h"
#include "location_table/coordinate_triple.h"
#include "location_table/location_table_file.h"
#include "location_table/table_stream.h"
#include "location_table/table_upload_receiver.h"

#include <QLocale>
#include <QtTest>

using CoordinateTriple::Bytes;
Q_DECLARE_METATYPE(Bytes)

class TestLocationTableCore : public QObject
{
    Q_OBJECT
private slots:
    void encodesTriples_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Bytes>("bytes");
        QTest::newRow("empty entry") << "255" << Bytes{255, 0, 0};
        QTest::newRow("12.5") << "12.5" << Bytes{12, 50, 0};
        QTest::newRow("rounded 12.34567") << "12.34567" << Bytes{12, 34, 57};
        QTest::newRow("carry not into degrees") << "12.99996" << Bytes{12, 0, 0};
        QTest::newRow("half as written rounds up") << "12.34565" << Bytes{12, 34, 57};
        QTest::newRow("word counts as 0") << "abc" << Bytes{0, 0, 0};
        QTest::newRow("leading number only") << "7.5N" << Bytes{7, 50, 0};
        QTest::newRow("top") << "255.9999" << Bytes{255, 99, 99};
    }
    void encodesTriples()
    {
        QFETCH(QString, text);
        QFETCH(Bytes, bytes);
        QVERIFY(CoordinateTriple::canCarry(text));
        QVERIFY(CoordinateTriple::encode(text) == bytes);
        // The decimal point is "." whatever the locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(CoordinateTriple::encode(text) == bytes);
        QLocale::setDefault(QLocale::c());
    }

    void decodesTriples_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("5 7 9") << Bytes{5, 7, 9} << "5.0709";
        QTest::newRow("51 45 21") << Bytes{51, 45, 21} << "51.4521";
        QTest::newRow("empty entry") << Bytes{255, 12, 34} << "255";
    }
    void decodesTriples()
    {
        QFETCH(Bytes, bytes);
        QFETCH(QString, text);
        QCOMPARE(CoordinateTriple::decode(bytes), text);
    }

    void showsBlanksWhileACoordinateArrives()
    {
        QString text = CoordinateTriple::withReceivedByte(QStringLiteral("old"), 1, 5);
        QCOMPARE(text, QStringLiteral(" 5."));
        text = CoordinateTriple::withReceivedByte(text, 2, 7);
        QCOMPARE(text, QStringLiteral(" 5.0 7"));
        text = CoordinateTriple::withReceivedByte(text, 3, 45);
        QCOMPARE(text, QStringLiteral(" 5.0 7 45"));
        QCOMPARE(CoordinateTriple::completed(text), QStringLiteral("5.0745"));
    }

    void streamsTheTableBothWays()
    {
        QStringList cells;
        for (int row = 0; row < 100; ++row)
            cells << QString::number(row) << QStringLiteral("%1.0%2%2%2").arg(row).arg(row % 10)
                  << QStringLiteral("255");
        cells[298] = QStringLiteral("51.4521");
        const QByteArray stream = TableStream::bytesOf(cells);
        QCOMPARE(stream.size(), 600);
        QCOMPARE(stream.left(6), QByteArray::fromHex("000000ff0000"));
        QCOMPARE(stream.right(6), QByteArray::fromHex("332d15ff0000"));

        QStringList received = cells;
        for (int index = 1; index < 300; index += (index % 3 == 2) ? 2 : 1)
            received[index] = QStringLiteral("old");
        TableUploadReceiver receiver;
        const QByteArray hex = HexPair::encode(stream);
        for (int i = 0; i < hex.size(); ++i) {
            QVERIFY(!receiver.finished());
            if (const auto update = receiver.receive(hex[i]))
                received[update->index] = update->text;
            if (i == 3) // two bytes of row 0's latitude in, with the blanks of the building
                QCOMPARE(received[1], QStringLiteral(" 0.0 0"));
        }
        QVERIFY(receiver.finished());
        QCOMPARE(received, cells);
    }

    void findsTheFirstCellTheTripleCannotCarry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("carried");
        QTest::newRow("negative") << "-12.5" << false;
        QTest::newRow("slightly negative") << "-0.0001" << false;
        QTest::newRow("256") << "256" << false;
        QTest::newRow("too large for a double") << "1E400" << false;
        QTest::newRow("255.9999") << "255.9999" << true;
        QTest::newRow("word") << "abc" << true;
    }
    void findsTheFirstCellTheTripleCannotCarry()
    {
        QFETCH(QString, text);
        QFETCH(bool, carried);
        QStringList cells;
        for (int row = 0; row < 100; ++row)
            cells << QString::number(row) << QStringLiteral("255") << QStringLiteral("255");
        cells[3 * 40 + 1] = QStringLiteral("300");
        cells[3 * 17 + 2] = text;

        const auto cell = CoordinateTriple::firstUncarriedCell(cells);
        QVERIFY(cell);
        QCOMPARE(cell->row, carried ? 40 : 17);
        QCOMPARE(cell->column, carried ? 1 : 2);
        QVERIFY(CoordinateTriple::refusalMessage(*cell).startsWith(
            carried ? QStringLiteral("Row 40 ") : QStringLiteral("Row 17 ")));
    }

    void readsFieldsByTheFileRules_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("cell");
        QTest::newRow("unquoted shortest form") << QByteArray("12.50") << "12.5";
        QTest::newRow("unquoted whole") << QByteArray("007") << "7";
        QTest::newRow("unquoted negative") << QByteArray("-0.250") << "-0.25";
        QTest::newRow("unquoted exponent") << QByteArray("3e2") << "300";
        QTest::newRow("unquoted number then word") << QByteArray("12x") << "12x";
        QTest::newRow("quoted number as it stands") << QByteArray("\"12.50\"") << "12.50";
    }
    void readsFieldsByTheFileRules()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, cell);
        QuotedFieldReader reader(field + "\r\n");
        QuotedField read;
        QVERIFY(reader.next(read));
        QCOMPARE(LocationTableFile::cellTextOf(read), cell);
    }
};

QTEST_GUILESS_MAIN(TestLocationTableCore)
#include "test_location_table_core.moc"
