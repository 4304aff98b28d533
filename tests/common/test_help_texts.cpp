// The help texts describe what the programs really write and accept: checked against the tools
// themselves, so a change of either shows here.
#include "config_tool/link/position_log.h"
#include "unit_simulator/unit_position_log.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

namespace {
QString helpText(const char *name)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/../../packaging/help/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

class TestHelpTexts : public QObject
{
    Q_OBJECT
private slots:
    // The example line of the position log is the line vortsetup writes for a record that the
    // simulated unit sends for the same fix, and the column names follow it.
    void positionLogExampleIsWhatTheToolWrites()
    {
        const QString text = helpText("info.txt");
        static const QRegularExpression columnsAndExample(
            QStringLiteral("eight quoted fields:\\s*\\n\\s*(.+)\\n\\s*for "
                           "example\\s*\\n\\s*(\".+\")\\s*\\n"));
        const QRegularExpressionMatch match = columnsAndExample.match(text);
        QVERIFY2(match.hasMatch(), "no column list and example line in info.txt");

        QByteArray sent = UnitPositionLog::record(QDateTime(QDate(2026, 12, 6), QTime(14, 3, 27)),
                                                  51.507535, -0.126130, 12.3, 270.0);
        std::reverse(sent.begin(), sent.end()); // the unit sends the record last character first
        PositionLog::LineWriter writer;
        QCOMPARE(match.captured(2).toLatin1() + "\r\n", writer.line(sent));

        // Each column name stands where its value is: the letters beside their coordinates.
        const QStringList names = match.captured(1).split(QStringLiteral(", "));
        const QStringList values = match.captured(2).split(QLatin1Char(','));
        QCOMPARE(names.size(), values.size());
        QCOMPARE(names.first(), QStringLiteral("date"));
        QCOMPARE(values.first(), QStringLiteral("\"06/12/26\""));
        QCOMPARE(values.at(names.indexOf(QStringLiteral("N/S"))), QStringLiteral("\"N\""));
        QCOMPARE(values.at(names.indexOf(QStringLiteral("E/W"))), QStringLiteral("\"W\""));
        QCOMPARE(values.at(names.indexOf(QStringLiteral("latitude"))),
                 QStringLiteral("\"5130.4521\""));
        QCOMPARE(values.at(names.indexOf(QStringLiteral("time"))), QStringLiteral("\"14:03:27\""));
    }
};

QTEST_GUILESS_MAIN(TestHelpTexts)
#include "test_help_texts.moc"
