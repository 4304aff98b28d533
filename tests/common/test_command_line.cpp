// Server and Quellix answer --help, --version and a command line they cannot follow on a
// machine without a display, as a service manager or a remote shell would meet them.
#include <QProcess>
#include <QtTest>

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void answersWithoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // the start of standard output, then error
        for (const auto &[path, name] :
             {std::pair{SERVER_PATH, "Server"}, {QUELLIX_PATH, "Quellix"}}) {
            const QString program = QString::fromLatin1(path);
            const QString own = QLatin1String(name);
            const auto row = [&](const char *tag) -> QTestData & {
                return QTest::addRow("%s %s", name, tag) << program;
            };
            row("version") << QStringList{"--version"} << 0
                           << own + (own == "Server" ? " 1.3" : " 1.0") + " (VORT tool set ";
            row("help") << QStringList{"--help"} << 0 << "Usage: " + program;
            row("mistyped option")
                << QStringList{"--prot", "6081"} << 2 << own + ": Unknown option 'prot'.";
            row("window system option and a mistyped one")
                << QStringList{"-platform", "offscreen", "--lisen"} << 2
                << own + ": Unknown option 'lisen'.";
            row("headless option without --headless")
                << QStringList{"--port", "6081"} << 2 << own + ": --port needs --headless.";
        }
    }
    void answersWithoutDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(20000));
        const QString text =
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        QVERIFY2(text.startsWith(output), qPrintable(text));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
