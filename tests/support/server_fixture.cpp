#include "server_fixture.h"

#include "support/program_process.h"
#include "support/test_support.h"

#include "unit_simulator/udp_unit_client.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

ServerFixture::ServerFixture(ServerImageSource images, int tickMs, bool setPort, int sessions)
    : m_previousDir(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
    m_window = std::make_unique<TrackMain>(
        TrackMainOptions{tickMs, sessions, false, std::move(images), &help});
    m_port = ProgramProcess::freeUdpPort();
    if (setPort)
        usePort(m_port);
}

void ServerFixture::usePort(quint16 port)
{
    m_port = port;
    m_portSet = true;
    control<QLineEdit>("txtport")->setText(QString::number(port));
    click("Command4");
}

ServerFixture::~ServerFixture()
{
    m_window.reset();
    QDir::setCurrent(m_previousDir);
}

QString ServerFixture::useOperatingSystemBase(const QString &name)
{
    QString base = QDir(m_dir.path()).filePath(name);
    QDir().mkpath(base);
    control<QComboBox>("Drive1")->setEditText(QDir::toNativeSeparators(base));
    return base;
}

QString ServerFixture::writeFile(const QString &relativePath, const QByteArray &content)
{
    QString path = QDir(m_dir.path()).filePath(relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

QStringList ServerFixture::activity() const
{
    QStringList lines;
    const QListWidget *list = control<QListWidget>("List1");
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QList<QByteArray> ServerFixture::logLines() const
{
    QFile file(QDir(m_dir.path()).filePath(QStringLiteral("log.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines;
    const QByteArray all = file.readAll();
    for (qsizetype start = 0, end = 0; start < all.size(); start = end) {
        end = all.indexOf("\r\n", start);
        end = end < 0 ? all.size() : end + 2;
        lines << all.mid(start, end - start);
    }
    return lines;
}

bool ServerFixture::run(const std::function<void()> &begin, const std::function<bool()> &done,
                        int timeoutMs)
{
    QObject scope; // nothing fires later if Start returns at once
    bool timedOut = false;
    QTimer::singleShot(0, &scope, [&] {
        if (begin)
            begin();
        TestSupport::whenDone(&scope, done, timeoutMs, [&](bool late) {
            timedOut = late;
            click("Command2");
        });
    });
    click("Command1");
    const auto portTaken = [this] {
        return activity().constLast().startsWith(
            QStringLiteral("Error : cannot listen on port %1 (").arg(m_port));
    };
    for (int retry = 0; retryTakenPort && m_portSet && retry < 5 && portTaken(); ++retry) {
        usePort(ProgramProcess::freeUdpPort());
        click("Command1");
    }
    return !timedOut;
}

void ServerFixture::sendFrom(UdpUnitClient &unit, const QByteArray &request) const
{
    unit.sendRequest(request, QHostAddress::LocalHost, m_port);
}

QList<QByteArray> ServerFixture::delivered(UdpUnitClient &unit)
{
    const QByteArray marker = "-- end of traffic --";
    QUdpSocket probe;
    probe.writeDatagram(marker, QHostAddress::LocalHost, unit.port());
    const bool arrived = QTest::qWaitFor(
        [&] { return !unit.packets().isEmpty() && unit.packets().last() == marker; }, 10000);
    QList<QByteArray> packets = unit.packets();
    if (arrived)
        packets.removeLast();
    else
        packets.append("-- the marker never arrived --");
    return packets;
}
