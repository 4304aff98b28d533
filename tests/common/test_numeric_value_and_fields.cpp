#include "common/numeric_value.h"
#include "common/quoted_fields.h"

#include <QtTest>

class TestNumericValueAndFields : public QObject
{
    Q_OBJECT
private slots:
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
            QuotedField field;
            for (const auto &[text, quoted] : expected) {
                QVERIFY(reader.next(field));
                QCOMPARE(field.text, text);
                QCOMPARE(field.quoted, quoted);
            }
            QVERIFY(reader.atEnd());
            QVERIFY(!reader.next(field));
        }
    }

    void writesLines()
    {
        QCOMPARE(QuotedFields::line({QuotedFields::quoted("7"), QuotedFields::quoted("255"),
                                     QuotedFields::quoted("255")}),
                 QByteArray("\"7\",\"255\",\"255\"\r\n"));
        QCOMPARE(QuotedFields::line({"0"}), QByteArray("0\r\n"));
    }

    void keepsEightBitCharacters()
    {
        const QString text = QString::fromLatin1("caf\xe9\xff");
        QCOMPARE(toSingleByte(text), QByteArray("caf\xe9\xff"));
        QCOMPARE(fromSingleByte(toSingleByte(text)), text);
        QCOMPARE(toSingleByte(QStringLiteral("\u20ac")), QByteArray("?"));
    }
};

QTEST_MAIN(TestNumericValueAndFields)
#include "test_numeric_value_and_fields.moc"
