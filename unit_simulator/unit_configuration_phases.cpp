#include "unit_configuration_phases.h"

#include "common/hex_pair.h"
#include "simulated_unit.h"

#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int downloadCharacters = 2 * UnitConfiguration::size;
// The unit keeps its last position to itself.
constexpr int uploadCharacters = 2 * (UnitConfiguration::size - 1);
constexpr int versionPieces = 4;

void put(QByteArray &bytes, int position, std::initializer_list<int> values)
{
    for (int value : values)
        bytes[position++] = static_cast<char>(value);
}

void putText(QByteArray &bytes, int position, const QByteArray &text)
{
    bytes.replace(position, text.size(), text);
}
} // namespace

QByteArray UnitConfiguration::sampleBytes()
{
    QByteArray b(size, '\xFF');
    put(b, 0x00, {0x56, 1, 0x03, 0x84}); // daily status on, offline SMS every 900
    put(b, 0x04, {51, 30, 26, 0, 0x00}); // corner 1 latitude 51.3026 N
    put(b, 0x0A, {2, 51, 28, 0, 0, 1});  // motion and AUX1; 51.2800 N; stop in sleep
    putText(b, 0x10, "+447700900123#");  // base phone
    put(b, 0x20, {0x00, 30, 20, 0, 5, 0x00, 10, 5, 1});
    put(b, 0x29, {0x00, 0x10, 0x00, 0x14, 0x0A, 1, 1});
    put(b, 0x30, {192, 0, 2, 25, 0});            // SMTP server, panic input enabled
    put(b, 0x39, {10, 128, 1});                  // ADC delay, level, above the level
    put(b, 0x40, {198, 51, 100, 7, 0x17, 0xC1}); // UDP server, port 6081
    putText(b, 0x46, "VRT042");
    put(b, 0x4C, {2, 1, 0x17, 0xC2});         // GPRS every 2, SMS and GPRS, OS port 6082
    put(b, 0x55, {0, 12, 78, 1, 0, 5, 0, 1}); // 0.1278 W, 0.0500 W
    put(b, 0x5D, {10, 65, 1});                // AUX2 10 s, 120 km/h in knots, fence outside
    putText(b, 0x60, "fleet@example.com");
    putText(b, 0x80, "unit42@example.com");
    putText(b, 0xA0, "*99#");
    putText(b, 0xA8, "web");
    putText(b, 0xC0, "web");
    put(b, 0xD2, {0x00});
    putText(b, 0xD3, "6048");
    put(b, 0xD7, {3, 2, 1, 0x01, 0x2C}); // melody, rings, AUX1 voice, online SMS every 300
    put(b, 0xDD, {60, 15});
    putText(b, 0xE0, "internet");
    return b;
}

void ConfigurationStorePhase::begin(UnitLine &)
{
    m_characters.clear();
    m_finished = false;
}

void ConfigurationStorePhase::receive(const QByteArray &characters, UnitLine &line)
{
    for (const char c : characters) {
        if (m_characters.size() >= downloadCharacters)
            break;
        m_characters += c;
        if (m_answer == Answer::Early && m_characters.size() == 1)
            line.transmit("OK");
    }
    if (m_characters.size() < downloadCharacters)
        return;

    QByteArray &bytes = m_configuration->bytes;
    for (qsizetype i = 0; i < UnitConfiguration::size; ++i) {
        const int high = HexPair::digitValue(m_characters[2 * i]);
        const int low = HexPair::digitValue(m_characters[2 * i + 1]);
        bytes[i] = static_cast<char>((high * 16 + low) & 0xFF);
    }
    ++m_configuration->downloadsStored;
    if (m_answer == Answer::Ok)
        line.transmit("OK");
    else if (m_answer == Answer::LowerCase)
        line.transmit("ok");
    m_finished = true;
}

void ConfigurationSendPhase::begin(UnitLine &line)
{
    ++m_generation;
    m_line = &line;
    m_characters = HexPair::encode(m_configuration->bytes.left(UnitConfiguration::size - 1));
    m_sent = 0;
    m_finished = false;
    // The "p" reaches the PC on its own before the first character.
    later(settleMs, [this] {
        if (!m_leadingP) {
            sendNextCharacter();
            return;
        }
        m_line->transmit("p");
        later(settleMs, [this] { sendNextCharacter(); });
    });
}

void ConfigurationSendPhase::receive(const QByteArray &characters, UnitLine &)
{
    for (const char c : characters) {
        if (c != '1' || m_finished)
            continue;
        if (m_sent < uploadCharacters)
            sendNextCharacter();
        else
            sendVersion();
    }
}

void ConfigurationSendPhase::sendNextCharacter()
{
    if (m_silentAfter >= 0 && m_sent >= m_silentAfter)
        return;
    m_line->transmit(m_characters.mid(m_sent, 1));
    ++m_sent;
}

void ConfigurationSendPhase::sendVersion()
{
    m_finished = true;
    const QByteArray version = m_configuration->version;
    if (m_versionInOnePiece) {
        m_line->transmit(version);
        return;
    }
    // The text in four pieces as even as its length allows, each its own arrival at the PC.
    const qsizetype size = version.size();
    for (int piece = 0; piece < versionPieces; ++piece) {
        const qsizetype from = size * piece / versionPieces;
        const QByteArray text = version.mid(from, size * (piece + 1) / versionPieces - from);
        if (!text.isEmpty())
            later(piece * settleMs, [this, text] { m_line->transmit(text); });
    }
}

void ConfigurationSendPhase::later(int ms, std::function<void()> step)
{
    const int generation = m_generation;
    QTimer::singleShot(ms, this, [this, generation, step = std::move(step)] {
        if (generation == m_generation && m_line)
            step();
    });
}

void installConfigurationPhases(SimulatedUnit &unit)
{
    auto configuration = std::make_shared<UnitConfiguration>();
    unit.addPhase('D', std::make_unique<ConfigurationStorePhase>(configuration));
    unit.addPhase('U', std::make_unique<ConfigurationSendPhase>(configuration));
}

namespace {
constexpr char downloadAnswerOption[] = "download-answer";
constexpr char silentAfterOption[] = "upload-silent-after";
constexpr char onePieceOption[] = "version-in-one-piece";
constexpr char leadingPOption[] = "upload-leading-p";
constexpr char versionOption[] = "unit-version";
} // namespace

QList<QCommandLineOption> configurationPhaseOptions()
{
    return {
        {downloadAnswerOption,
         QStringLiteral("After a configuration download: ok (\"OK\"), none, lower (\"ok\") or "
                        "early (\"OK\" after the first character)."),
         QStringLiteral("answer"), QStringLiteral("ok")},
        {silentAfterOption,
         QStringLiteral("Configuration upload: fall silent after k hex characters."),
         QStringLiteral("k")},
        {onePieceOption, QStringLiteral("Configuration upload: the version text in one piece.")},
        {leadingPOption,
         QStringLiteral("Configuration upload: a lone \"p\" before the first character.")},
        {versionOption, QStringLiteral("The unit's version text (V6.3)."), QStringLiteral("text"),
         QStringLiteral("V6.3")},
    };
}

bool applyConfigurationPhaseOptions(const QCommandLineParser &parser, SimulatedUnit &unit)
{
    auto *store = dynamic_cast<ConfigurationStorePhase *>(unit.phase('D'));
    auto *send = dynamic_cast<ConfigurationSendPhase *>(unit.phase('U'));
    if (!store || !send)
        return false;
    const QString answer = parser.value(downloadAnswerOption);
    const std::pair<const char *, ConfigurationStorePhase::Answer> answers[] = {
        {"ok", ConfigurationStorePhase::Answer::Ok},
        {"none", ConfigurationStorePhase::Answer::None},
        {"lower", ConfigurationStorePhase::Answer::LowerCase},
        {"early", ConfigurationStorePhase::Answer::Early}};
    bool known = false;
    for (const auto &[name, value] : answers) {
        if (answer == QLatin1String(name)) {
            store->setAnswer(value);
            known = true;
        }
    }
    if (!known) {
        std::fprintf(stderr, "vortsim: unknown --%s %s\n", qPrintable(downloadAnswerOption),
                     qPrintable(answer));
        return false;
    }
    if (parser.isSet(silentAfterOption))
        send->setSilentAfter(parser.value(silentAfterOption).toInt());
    send->setVersionInOnePiece(parser.isSet(onePieceOption));
    send->setLeadingP(parser.isSet(leadingPOption));
    store->configuration()->version = parser.value(versionOption).toLatin1();
    return true;
}
