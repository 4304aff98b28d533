#include "server_fixture.h"

#include "common/network/datagram_socket.h"
#include "support/test_support.h"

#include "unit_simulator/udp_unit_client.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QUdpSocket>

ServerFixture::ServerFixture(ServerImageSource images, int tickMs, bool setPort, int sessions)
    : m_previousDir(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
    m_window = std::make_unique<TrackMain>(
        TrackMainOptions{tickMs, sessions, false, std::move(images), &help, {}});
    if (setPort) {
        click("Command4");
        socket().setLocalPort(0);
    }
}

QString ServerFixture::portText() const
{
    return control<QLineEdit>("txtport")->text();
}

ServerSettings &ServerFixture::settings() const
{
    return m_window->findChild<RemoteDownload *>()->settings();
}

DatagramSocket &ServerFixture::socket() const
{
    return *m_window->findChild<DatagramSocket *>(QStringLiteral("sckudp"));
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
    click("Command1");
    if (!socket().isListening())
        return false;
    m_port = socket().boundPort();
    if (begin)
        begin();
    // The test itself may end listening (Stop, EXIT) before done() holds.
    const bool inTime =
        TestSupport::runUntil([&] { return !socket().isListening() || done(); }, timeoutMs);
    click("Command2"); // unless the test has stopped it already
    // A stopped window listens until its transfers have ended.
    return TestSupport::runUntil([this] { return !socket().isListening(); }, 60000) && inTime;
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
