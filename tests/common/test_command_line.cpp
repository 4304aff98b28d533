// Server and Quellix answer --help, --version and a command line they cannot follow on a
// machine without a display, as a service manager or a remote shell would meet them.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
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
        for (const auto &entry : {std::pair{SERVER_PATH, "Server"}, {QUELLIX_PATH, "Quellix"}}) {
            const QString program = QString::fromLatin1(entry.first);
            const char *const name = entry.second;
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
            row("metrics without --headless")
                << QStringList{"--metrics", "9100"} << 2 << own + ": --metrics needs --headless.";
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

    // Started from the menu, Server works in the user's data folder, not the home folder: its
    // log lands there. (A port already taken ends the run at once.)
    void menuEntryWorksInTheDataFolder()
    {
        QTemporaryDir data;
        QUdpSocket taken;
        QVERIFY(taken.bind(QHostAddress::AnyIPv4, 0));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        QProcess server;
        server.setProcessEnvironment(environment);
        server.start(QStringLiteral(SERVER_PATH),
                     {"--data-folder", "--headless", "--port", QString::number(taken.localPort())});
        QVERIFY(server.waitForFinished(20000));
        QCOMPARE(server.exitCode(), 1);
        const QString folder = QDir(data.path()).filePath(QStringLiteral("vort"));
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("log.txt"))));
        QVERIFY(server.readAllStandardError().startsWith(
            "Server: operating system folders in " + QDir::toNativeSeparators(folder).toUtf8()));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
