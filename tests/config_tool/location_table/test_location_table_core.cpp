#include "common/quoted_fields.h"
#include "location_table/cell_editor_rule.h"
#include "location_table/coordinate_triple.h"
#include "location_table/location_table_file.h"

#include <QLocale>
#include <QtTest>

namespace {
QStringList startingCells()
{
    QStringList cells;
    for (int row = 0; row < 100; ++row)
        cells << QString::number(row) << QStringLiteral("255") << QStringLiteral("255");
    return cells;
}
} // namespace

class TestLocationTableCore : public QObject
{
    Q_OBJECT
private slots:
    void editorRule_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("stored");
        QTest::newRow("four decimals") << "51.4367" << true << "51.4367";
        QTest::newRow("five decimals") << "51.43675" << false << "255";
        QTest::newRow("256") << "256" << false << "255";
        QTest::newRow("255.9") << "255.9" << true << "255.9";
        QTest::newRow("negative") << "-12.5" << true << "-12.5";
        QTest::newRow("below -256") << "-256" << false << "255";
        QTest::newRow("empty") << "" << true << "255";
        QTest::newRow("word") << "abc" << true << "abc";
        QTest::newRow("decimals after first point") << "1.2.3.4" << false << "255";
        QTest::newRow("trailing point") << "12." << true << "12.";
        QTest::newRow("too large for a double") << "1E400" << false << "255";
    }
    void editorRule()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, stored);
        const CellEditorRule::Outcome outcome = CellEditorRule::apply(typed);
        QCOMPARE(outcome.accepted, accepted);
        QCOMPARE(outcome.stored, stored);
    }

    void encodesTriples_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("degrees");
        QTest::addColumn<int>("decimals12");
        QTest::addColumn<int>("decimals34");
        QTest::newRow("empty entry") << "255" << 255 << 0 << 0;
        QTest::newRow("12.5") << "12.5" << 12 << 50 << 0;
        QTest::newRow("rounded 12.34567") << "12.34567" << 12 << 34 << 57;
        QTest::newRow("carry not into degrees") << "12.99996" << 12 << 0 << 0;
        QTest::newRow("51.4521") << "51.4521" << 51 << 45 << 21;
        QTest::newRow("half rounds up") << "12.34565" << 12 << 34 << 57;
        QTest::newRow("small") << "0.0001" << 0 << 0 << 1;
        QTest::newRow("word counts as 0") << "abc" << 0 << 0 << 0;
        QTest::newRow("leading number only") << "7.5N" << 7 << 50 << 0;
        QTest::newRow("top") << "255.9999" << 255 << 99 << 99;
    }
    void encodesTriples()
    {
        QFETCH(QString, text);
        QFETCH(int, degrees);
        QFETCH(int, decimals12);
        QFETCH(int, decimals34);
        QVERIFY(CoordinateTriple::canCarry(text));
        const CoordinateTriple::Bytes expected{static_cast<quint8>(degrees),
                                               static_cast<quint8>(decimals12),
                                               static_cast<quint8>(decimals34)};
        QCOMPARE(CoordinateTriple::encode(text), expected);
    }

    void encodesWithPointWhateverTheLocale()
    {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const CoordinateTriple::Bytes bytes = CoordinateTriple::encode(QStringLiteral("12.5"));
        QLocale::setDefault(before);
        QCOMPARE(bytes, (CoordinateTriple::Bytes{12, 50, 0}));
    }

    void decodesTriples_data()
    {
        QTest::addColumn<int>("b1");
        QTest::addColumn<int>("b2");
        QTest::addColumn<int>("b3");
        QTest::addColumn<QString>("text");
        QTest::newRow("5 7 9") << 5 << 7 << 9 << "5.0709";
        QTest::newRow("51 45 21") << 51 << 45 << 21 << "51.4521";
        QTest::newRow("empty entry") << 255 << 0 << 0 << "255";
        QTest::newRow("empty with decimals") << 255 << 12 << 34 << "255";
        QTest::newRow("zeros") << 0 << 0 << 0 << "0.0000";
    }
    void decodesTriples()
    {
        QFETCH(int, b1);
        QFETCH(int, b2);
        QFETCH(int, b3);
        QFETCH(QString, text);
        QCOMPARE(CoordinateTriple::decode(
                     {static_cast<quint8>(b1), static_cast<quint8>(b2), static_cast<quint8>(b3)}),
                 text);
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

    void refusesWhatTheTripleCannotCarry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("carried");
        QTest::newRow("negative") << "-12.5" << false;
        QTest::newRow("slightly negative") << "-0.0001" << false;
        QTest::newRow("256") << "256" << false;
        QTest::newRow("overflow") << "1E400" << false;
        QTest::newRow("255.9999") << "255.9999" << true;
        QTest::newRow("zero") << "0" << true;
        QTest::newRow("word") << "abc" << true;
    }
    void refusesWhatTheTripleCannotCarry()
    {
        QFETCH(QString, text);
        QFETCH(bool, carried);
        QCOMPARE(CoordinateTriple::canCarry(text), carried);
    }

    void findsTheFirstRowTheTripleCannotCarry()
    {
        QStringList cells = startingCells();
        QVERIFY(!CoordinateTriple::firstUncarriedCell(cells));

        cells[3 * 40 + 1] = QStringLiteral("300");
        cells[3 * 17 + 2] = QStringLiteral("-4.25");
        const auto cell = CoordinateTriple::firstUncarriedCell(cells);
        QVERIFY(cell);
        QCOMPARE(cell->row, 17);
        QCOMPARE(cell->column, 2);
        QCOMPARE(cell->text, QStringLiteral("-4.25"));
        const QString message = CoordinateTriple::refusalMessage(*cell);
        QVERIFY(message.contains(QStringLiteral("Row 17")));
        QVERIFY(message.contains(QStringLiteral("-4.25")));
    }

    void writesTheTableFile()
    {
        QStringList cells = startingCells();
        cells[1] = QStringLiteral("51.4521");
        cells[2] = QStringLiteral("a,b");
        const QByteArray content = LocationTableFile::write(cells);
        QVERIFY(content.startsWith("\"0\",\"51.4521\",\"a,b\"\r\n\"1\",\"255\",\"255\"\r\n"));
        QVERIFY(content.endsWith("\"99\",\"255\",\"255\"\r\n"));
        QCOMPARE(content.count("\r\n"), 100);

        const LocationTableFile::ReadResult read = LocationTableFile::read(content);
        QVERIFY(read.complete());
        for (int row = 0; row < 100; ++row) {
            QCOMPARE(read.rows[row].latitude, cells[3 * row + 1]);
            QCOMPARE(read.rows[row].longitude, cells[3 * row + 2]);
        }
    }

    void readsFieldsByTheFileRules_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("cell");
        QTest::newRow("unquoted shortest form") << QByteArray("12.50") << "12.5";
        QTest::newRow("unquoted trailing zeros") << QByteArray("51.4500") << "51.45";
        QTest::newRow("unquoted whole") << QByteArray("007") << "7";
        QTest::newRow("unquoted negative") << QByteArray("-0.250") << "-0.25";
        QTest::newRow("unquoted exponent") << QByteArray("3e2") << "300";
        QTest::newRow("unquoted point first") << QByteArray(".5") << "0.5";
        QTest::newRow("unquoted word") << QByteArray("abc") << "abc";
        QTest::newRow("unquoted number then word") << QByteArray("12x") << "12x";
        QTest::newRow("quoted number as it stands") << QByteArray("\"12.50\"") << "12.50";
        QTest::newRow("quoted empty") << QByteArray("\"\"") << "";
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

    void readsRecordsAcrossLines()
    {
        // A record may span lines or share one with the next.
        QByteArray content = "\"0\"\r\n\"1.5\"\r\n\"2.5\",\"1\",\"3\",\"4\"\r\n";
        for (int row = 2; row < 100; ++row)
            content += "\"" + QByteArray::number(row) + "\",\"255\",\"255\"\r\n";
        const LocationTableFile::ReadResult read = LocationTableFile::read(content);
        QVERIFY(read.complete());
        QCOMPARE(read.rows[0].latitude, QStringLiteral("1.5"));
        QCOMPARE(read.rows[0].longitude, QStringLiteral("2.5"));
        QCOMPARE(read.rows[1].latitude, QStringLiteral("3"));
        QCOMPARE(read.rows[1].longitude, QStringLiteral("4"));
    }

    void keepsOnlyWholeRowsOfAShortFile()
    {
        const QByteArray content = "\"0\",\"1\",\"2\"\r\n\"1\",\"3\"\r\n";
        const LocationTableFile::ReadResult read = LocationTableFile::read(content);
        QVERIFY(!read.complete());
        QCOMPARE(read.rows.size(), 1);
        QCOMPARE(read.rows[0].latitude, QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestLocationTableCore)
#include "test_location_table_core.moc"
