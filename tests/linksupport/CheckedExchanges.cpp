#include "CheckedExchanges.h"

#include "LinkHarness.h"
#include "SimControl.h"

namespace {

// Milliseconds. A command frame is 17 ticks and a 4 ms wait, the write frame 107 ticks and the
// wait. A reply byte is 16 ticks; in a configuration reply each byte is followed by a 160 ms
// pause, after which the next falling edge comes at once, so the later bytes take 15 ticks.
constexpr double tick = 2;
constexpr double frameEndWait = 4;
constexpr double commandFrame = 17 * tick + frameEndWait;
constexpr double handshakeNominal = commandFrame + 16 * tick;
constexpr double readNominal = commandFrame + (16 + 5 * 15) * tick + 6 * 160;
constexpr double writeNominal = 107 * tick + frameEndWait + commandFrame + readNominal;
constexpr int exchangeTimeout = 15000;

QString replyEvent(const QByteArray &settings)
{
    return "getConfig(" + (QByteArray(1, char(0x53)) + settings).toHex(' ') + ")";
}

QByteArray storedSettings()
{
    unsigned char stored[5];
    sim_get_config(stored);
    return QByteArray(reinterpret_cast<char *>(stored), 5);
}

} // namespace

CheckedExchanges::CheckedExchanges(LinkHarness &harness)
    : harness(harness)
{ }

bool CheckedExchanges::run(Kind kind, int variant)
{
    harness.events.clear();
    answerer.clear();
    switch (kind) {
    case Kind::Handshake:
        return handshake();
    case Kind::Read:
        return read(variant);
    case Kind::Write:
        return write(variant);
    }
    return false;
}

double CheckedExchanges::nominalMilliseconds(Kind kind)
{
    switch (kind) {
    case Kind::Handshake:
        return handshakeNominal;
    case Kind::Read:
        return readNominal;
    case Kind::Write:
        return writeNominal;
    }
    return 0;
}

QString CheckedExchanges::name(Kind kind)
{
    switch (kind) {
    case Kind::Handshake:
        return QStringLiteral("handshake");
    case Kind::Read:
        return QStringLiteral("configuration read");
    case Kind::Write:
        return QStringLiteral("write + read-back");
    }
    return QString();
}

bool CheckedExchanges::handshake()
{
    harness.link().sendParamAA();
    return ended() && harness.events.contains("handshake_ok")
        && !harness.events.contains("disconnect");
}

bool CheckedExchanges::read(int variant)
{
    const QByteArray settings = settingsFor(variant);
    sim_set_config(reinterpret_cast<const unsigned char *>(settings.constData()));
    harness.link().sendParamA3();
    return ended() && harness.events.contains(replyEvent(settings)) && answerer.boxes().isEmpty();
}

bool CheckedExchanges::write(int variant)
{
    const QByteArray settings = settingsFor(variant);
    harness.settings = {std::int8_t(settings.at(2)), std::int8_t(settings.at(3)),
        std::int8_t(settings.at(4)), std::int8_t(settings.at(1)), std::uint8_t(settings.at(0))};
    harness.link().sendParamA6();
    return ended() && storedSettings() == settings && harness.events.contains(replyEvent(settings))
        && answerer.texts() == QStringList {QStringLiteral("Конфигурация записана успешно")};
}

bool CheckedExchanges::ended()
{
    return harness.waitForEnd(exchangeTimeout);
}

QByteArray CheckedExchanges::settingsFor(int variant)
{
    const int v = variant + 1;
    const char bytes[5] = {char(v % 16), char(5 * (1 + v % 9)), char(3 * v % 16),
        char((5 * v + 1) % 16), char((7 * v + 2) % 16)};
    return QByteArray(bytes, 5);
}
