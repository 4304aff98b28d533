// Where the programs find their help texts (working directory, beside the program, installed
// folders), and what is shown when the system has no viewer for them.
#include "common/help_viewer.h"
#include "common/widgets/help_window.h"

#include <QApplication>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
        for (const QString &folder : present) {
            QFile file(dir.filePath(folder + QStringLiteral("/info.txt")));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
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
    // text files), leaves the text to the program's own read-only window.
    void fallbackWindowWhenNoViewer_data()
    {
        QTest::addColumn<QString>("viewer");
        QTest::newRow("no such program") << QStringLiteral("/nonexistent/xdg-open");
#if defined(Q_OS_UNIX)
        QTest::newRow("viewer fails") << QStringLiteral("false");
#endif
    }
    void fallbackWindowWhenNoViewer()
    {
        QFETCH(QString, viewer);
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
        HelpWindow *window = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            window = window ? window : qobject_cast<HelpWindow *>(widget);
        QVERIFY(window && window->isVisible() && window->isReadOnly());
        QCOMPARE(window->toPlainText(), QStringLiteral("SERVER - HELP\n"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Help - download.txt"));
        delete window;
    }
};

QTEST_MAIN(TestHelpViewer)
#include "test_help_viewer.moc"
