// Where the programs find their help texts: the working directory first, then beside the
// program, then the installed folders next to its bin/ (share/doc/vort/, share/vort/).
#include "common/help_viewer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestHelpLocation : public QObject
{
    Q_OBJECT
private slots:
    void locate_data()
    {
        QTest::addColumn<QStringList>("present"); // folders of the layout holding info.txt
        QTest::addColumn<QString>("expected");    // the folder found; "" the bare name
        const QString work = QStringLiteral("work");
        const QString bin = QStringLiteral("usr/bin");
        const QString doc = QStringLiteral("usr/share/doc/vort");
        const QString share = QStringLiteral("usr/share/vort");
        QTest::newRow("installed") << QStringList{share} << share;
        QTest::newRow("documentation before data") << QStringList{share, doc} << doc;
        QTest::newRow("beside the program") << QStringList{share, bin} << bin;
        QTest::newRow("working directory wins") << QStringList{share, bin, work} << QString();
        QTest::newRow("nowhere") << QStringList{} << QString();
    }
    void locate()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QDir dir(root.path());
        for (const char *folder : {"work", "usr/bin", "usr/share/vort", "usr/share/doc/vort"})
            QVERIFY(dir.mkpath(QLatin1String(folder)));
        for (const QString &folder : present) {
            QFile file(dir.filePath(folder + QStringLiteral("/info.txt")));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.filePath(QStringLiteral("work")));
        const QString found =
            SystemHelpViewer::locate(QStringLiteral("info.txt"), dir.filePath("usr/bin"));
        QDir::setCurrent(previous);
        const QString wanted = expected.isEmpty()
                                   ? QStringLiteral("info.txt")
                                   : QDir::cleanPath(dir.filePath(expected + "/info.txt"));
        QCOMPARE(found, wanted);
    }
};

QTEST_MAIN(TestHelpLocation)
#include "test_help_location.moc"
