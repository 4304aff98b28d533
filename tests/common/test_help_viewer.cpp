// Where the programs find their help texts (working directory, beside the program, installed
// folders), what is shown when the system has no viewer for them, and that the texts describe
// what the programs really write (checked against the tools themselves).
#include "common/help_viewer.h"
#include "common/widgets/help_window.h"
#include "config_tool/link/position_log.h"
#include "unit_simulator/unit_position_log.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {
QString helpText(const char *name)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/../../packaging/help/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

class TestHelpViewer : public QObject
{
    Q_OBJECT
private slots:
    void locate_data()
    {
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<QStringList>("present"); // folders of the layout holding info.txt
        QTest::addColumn<QString>("expected");    // the folder found; "" the bare name
        const QString bin = QStringLiteral("usr/bin");
        const QString doc = QStringLiteral("usr/share/doc/vort");
        const QString share = QStringLiteral("usr/share/vort");
        QTest::newRow("installed") << bin << QStringList{share} << share;
        QTest::newRow("installed behind a command")
            << QStringLiteral("usr/lib/vort") << QStringList{share} << share;
        QTest::newRow("documentation before data") << bin << QStringList{share, doc} << doc;
        QTest::newRow("beside the program") << bin << QStringList{share, bin} << bin;
        QTest::newRow("working directory wins")
            << bin << QStringList{share, bin, QStringLiteral("work")} << QString();
        QTest::newRow("nowhere") << bin << QStringList{} << QString();
    }
    void locate()
    {
        QFETCH(QString, programDir);
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QDir dir(root.path());
        for (const char *folder :
             {"work", "usr/bin", "usr/lib/vort", "usr/share/vort", "usr/share/doc/vort"})
            QVERIFY(dir.mkpath(QLatin1String(folder)));
        for (const QString &folder : present)
            QVERIFY(QFile(dir.filePath(folder + "/info.txt")).open(QFile::WriteOnly));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.filePath(QStringLiteral("work")));
        const QString found =
            SystemHelpViewer::locate(QStringLiteral("info.txt"), dir.filePath(programDir));
        QDir::setCurrent(previous);
        const QString wanted = expected.isEmpty()
                                   ? QStringLiteral("info.txt")
                                   : QDir::cleanPath(dir.filePath(expected + "/info.txt"));
        QCOMPARE(found, wanted);
    }

    // A viewer that cannot be started, or that ends in failure (xdg-open finding nothing for
    // text files), leaves the text to the program's own read-only window, which its Close button
    // or Esc closes.
    void fallbackWindowWhenNoViewer_data()
    {
        QTest::addColumn<QString>("viewer");
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("no such program, Esc") << QStringLiteral("/nonexistent/xdg-open") << true;
        QTest::newRow("no such program, Close") << QStringLiteral("/nonexistent/xdg-open") << false;
#if defined(Q_OS_UNIX)
        QTest::newRow("viewer fails") << QStringLiteral("false") << true;
#endif
    }
    void fallbackWindowWhenNoViewer()
    {
        QFETCH(QString, viewer);
        QFETCH(bool, byEscape);
        QTemporaryDir dir;
        QFile text(dir.filePath(QStringLiteral("download.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("SERVER - HELP\n");
        text.close();
        QStringList shown;
        SystemHelpViewer help(
            [&shown](const QString &path) {
                shown << path;
                HelpWindow::showText(path);
            },
            viewer);
        help.open(text.fileName());
        QTRY_COMPARE(shown, QStringList{text.fileName()});
        QPointer<HelpWindow> window;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (!window)
                window = qobject_cast<HelpWindow *>(widget);
        }
        QVERIFY(window && window->isVisible() && window->text()->isReadOnly());
        QCOMPARE(window->text()->toPlainText(), QStringLiteral("SERVER - HELP\n"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Help - download.txt"));
        QVERIFY(QTest::qWaitForWindowActive(window));
        if (byEscape)
            QTest::keyClick(window->text(), Qt::Key_Escape);
        else
            window->findChild<QPushButton *>(QStringLiteral("helpClose"))->click();
        QTRY_VERIFY(window.isNull()); // closed, and deleted with it
    }
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
        QStringList named;
        for (const QString &name : QStringList{"date", "time", "latitude", "N/S", "E/W"})
            named << name + '=' + values.value(names.indexOf(name));
        QCOMPARE(named, (QStringList{"date=\"06/12/26\"", "time=\"14:03:27\"",
                                     "latitude=\"5130.4521\"", "N/S=\"N\"", "E/W=\"W\""}));
    }
};

QTEST_MAIN(TestHelpViewer)
#include "test_help_viewer.moc"
