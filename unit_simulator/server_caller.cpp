#include "server_caller.h"

ServerCaller::ServerCaller(Options options, Report report, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_report(std::move(report))
{
    m_unit.setDropEvery(m_options.dropEvery);
    m_recall.setSingleShot(true);
    connect(&m_recall, &QTimer::timeout, this, [this] {
        m_report(QStringLiteral("no answer from the server, calling again"));
        call();
    });
    connect(&m_unit, &UdpUnitClient::packetReceived, this, &ServerCaller::packetReceived);
    connect(&m_unit, &UdpUnitClient::completed, this, &ServerCaller::completed);
}

bool ServerCaller::start()
{
    if (m_options.requests.isEmpty() || !m_unit.open())
        return false;
    call();
    return true;
}

void ServerCaller::call()
{
    const QByteArray &request = m_options.requests.at(m_next);
    m_report(QStringLiteral("calling %1:%2 with %3")
                 .arg(m_options.server.toString())
                 .arg(m_options.port)
                 .arg(QString::fromLatin1(request)));
    m_unit.sendRequest(request, m_options.server, m_options.port);
    m_recall.start(m_options.recallMs);
}

void ServerCaller::packetReceived(const QByteArray &packet)
{
    m_report(QStringLiteral("packet %1 (%2 characters)")
                 .arg(QString::fromLatin1(packet.left(UdpUnitClient::numberSize)))
                 .arg(packet.size()));
    m_recall.start(m_options.recallMs);
}

void ServerCaller::completed()
{
    m_recall.stop();
    const QByteArray request = m_options.requests.at(m_next);
    m_report(summary(request, m_unit));
    ++m_completed;
    emit transferCompleted(request, m_unit.receivedData());
    if (++m_next >= m_options.requests.size()) {
        emit finished();
        return;
    }
    // The server reads our acknowledgement of "255" before it listens for requests again.
    QTimer::singleShot(m_options.pauseMs, this, &ServerCaller::call);
}

QString ServerCaller::summary(const QByteArray &request, const UdpUnitClient &unit)
{
    if (request.contains("UPLOAD")) {
        const QByteArray data = unit.receivedData();
        // The last packet is padded with "F"; what comes before is the file as stored.
        return QStringLiteral("operating system received: %1 characters in %2 packets")
            .arg(data.size())
            .arg(data.size() / UdpUnitClient::dataSize);
    }
    const QByteArray image = unit.receivedImage();
    const QString kind = request.contains("CONFIG") ? QStringLiteral("configuration")
                                                    : QStringLiteral("camera table");
    return QStringLiteral("%1 received: %2 image bytes, starting %3")
        .arg(kind)
        .arg(image.size())
        .arg(QString::fromLatin1(image.left(12).toHex(' ').toUpper()));
}
