#include "FakeHidChip.h"
#include "FakeTransportOpener.h"
#include "HidTransport.h"
#include "Mcp2200Bridge.h"
#ifdef _WIN32
#include "HidTransportOpener.h"
#include <hidapi.h>
#include <windows.h>
#else
// The kernel's GPIO chip and sysfs: Linux only.
#include "FakeDeviceNodes.h"
#include "FakeGpioLines.h"
#include "FakeSysfs.h"
#include "GpioChipFinder.h"
#include "GpioTransport.h"
#include "NodeTransportOpener.h"
#endif

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <unistd.h>

using Report = HidDevice::Report;

Q_DECLARE_METATYPE(Report)

namespace {

constexpr unsigned vid = 0x04D8;
constexpr unsigned pid = 0x00DF;

Report report(std::initializer_list<std::pair<int, std::uint8_t>> bytes)
{
    Report r {};
    for (const auto &b : bytes)
        r[b.first] = b.second;
    return r;
}

QByteArray hex(const Report &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.data()), int(r.size())).toHex(' ');
}

QList<QByteArray> hexAll(const std::vector<Report> &reports)
{
    QList<QByteArray> out;
    for (const Report &r : reports)
        out << hex(r);
    return out;
}

const Report readAllRequest = report({{0, 0x80}});

#ifdef _WIN32
// A chip whose writes fail with this system error: ERROR_IO_PENDING where hidapi gave up on one.
struct FailingChip : FakeHidChip
{
    explicit FailingChip(DWORD error)
        : error(error)
    { }
    int write(const Report &) override
    {
        SetLastError(error);
        return -1;
    }
    DWORD error;
};
#endif

// A bridge over a fake HID chip, opened through InitMCP2200's path (no GPIO chip found).
struct HidRig
{
    HidRig()
    {
        chip = plugNewChip();
        bridge.init(vid, pid);
        opener.hid = nullptr;
        chip->latch = 0x0C; // the link's idle lines
    }
    // The next search for a chip finds a new one.
    FakeHidChip *plugNewChip()
    {
        auto device = std::make_shared<std::unique_ptr<FakeHidChip>>(new FakeHidChip);
        FakeHidChip *raw = device->get();
        opener.hid = [device]() -> std::unique_ptr<Mcp2200Transport> {
            if (!*device)
                return nullptr;
            return std::make_unique<HidTransport>(std::move(*device));
        };
        return raw;
    }
    std::int64_t now = 0;
    FakeTransportOpener opener;
    std::vector<std::string> told;
    Mcp2200Bridge bridge {
        opener, [this] { return now; }, [this](const std::string &text) { told.push_back(text); }};
    FakeHidChip *chip = nullptr;
};

#ifndef _WIN32
// A bridge over a fake GPIO chip.
struct GpioRig
{
    GpioRig()
    {
        auto lines = std::make_shared<std::unique_ptr<FakeGpioLines>>(new FakeGpioLines);
        fake = lines->get();
        opener.gpio = [lines]() -> std::unique_ptr<Mcp2200Transport> {
            if (!*lines)
                return nullptr; // only one chip in this rig
            auto transport = std::make_unique<GpioTransport>(std::move(*lines));
            return transport->start() ? std::move(transport) : nullptr;
        };
        bridge.init(vid, pid);
    }
    std::int64_t now = 0;
    FakeTransportOpener opener;
    std::vector<std::string> told;
    Mcp2200Bridge bridge {
        opener, [this] { return now; }, [this](const std::string &text) { told.push_back(text); }};
    FakeGpioLines *fake = nullptr;
};

std::vector<unsigned> offsets(const gpio_v2_line_request &request)
{
    return std::vector<unsigned>(request.offsets, request.offsets + request.num_lines);
}

void writeFile(const QString &path, const QByteArray &data)
{
    QVERIFY(FakeSysfs::writeFile(path, data));
}

// The GPIO transports' waits while it lives.
struct GpioWaits
{
    explicit GpioWaits(GpioTransport::Waits waits)
        : saved(GpioTransport::waits)
    {
        GpioTransport::waits = waits;
    }
    ~GpioWaits() { GpioTransport::waits = saved; }
    GpioWaits(const GpioWaits &) = delete;
    GpioWaits &operator=(const GpioWaits &) = delete;
    const GpioTransport::Waits saved;
};
// Short waits, for a chip that does not answer within a loaded machine's delays.
const GpioTransport::Waits shortWaits {100, 100};
#endif

// The reasons as the technician reads them; {node} stands for the device node.
const QString absentText = "No MCP2200 (04d8:00df) found on USB. Check that the cable is plugged "
                           "in, or try another USB port.";
#ifndef _WIN32
const QString deniedText
    = "The MCP2200 on {node} cannot be opened: permission denied, the udev rule is not active "
      "yet. Unplug the cable and plug it in again, or run \"sudo udevadm control --reload-rules\" "
      "and \"sudo udevadm trigger\"; if it is still denied, log out and log in again.";
const QString lostText
    = "The MCP2200 on {node} was lost: the cable was pulled out. Plug it in again.";

QString on(QString text, const QString &node)
{
    return text.replace("{node}", node);
}
#endif

// What the process writes to its stderr while `run` runs.
QByteArray stderrDuring(const std::function<void()> &run)
{
    QTemporaryFile file;
    if (!file.open())
        return "(no temporary file)";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

} // namespace

class TestMcp2200 : public QObject
{
    Q_OBJECT

private slots:
    void initPrefersGpioChip();
    void initWithoutDevice();
#ifndef _WIN32
    void reinitReleasesFirstDevice();
#endif

    void hidSetAndClearPin_data();
    void hidSetAndClearPin();
    void hidReadPin_data();
    void hidReadPin();
    void hidConfigureIO();
    void hidBaudRate_data();
    void hidBaudRate();
    void hidConfigureMcp2200_data();
    void hidConfigureMcp2200();
    void hidBadAnswer_data();
    void hidBadAnswer();
    void hidUnplugMidExchange_data();
    void hidUnplugMidExchange();
    void hidDropsStaleAnswer();
    void hidReadsNeverWaitLong();
    void pinOutOfRange_data();
    void pinOutOfRange();

#ifndef _WIN32
    void initTestCase();
    void gpioStartRequest();
    void gpioKernelDriver_data();
    void gpioKernelDriver();
    void gpioConfigureIOSetsOnlyChanges();
    void gpioPinsFollowRequestIndex();
    void gpioRefusesInputs();
    void gpioBaudRateUnsupported();
    void gpioAllInputs();
    void gpioUnplug();
    void gpioFailureIsNotLoss();
    void gpioSilentChip();
#endif
    void reopenAfterUnplug();
    void cablePluggedInLater();
    void silentChipIsNotReopened();

#ifdef _WIN32
    void windowsReasons();
#endif
    void faultReasons_data();
    void faultReasons();
#ifndef _WIN32
    void reasonToldOnce();

    void finderMatches_data();
    void finderMatches();
    void finderPrefersLabelReader();
#endif

    void libraryWithoutCable();
};

void TestMcp2200::initPrefersGpioChip()
{
#ifndef _WIN32
    GpioRig rig;
    QCOMPARE(rig.opener.calls, (std::vector<std::string> {"gpio 1240:223"}));
    QVERIFY(rig.bridge.isConnected());
#endif

    HidRig hid;
    QCOMPARE(hid.opener.calls, (std::vector<std::string> {"gpio 1240:223", "hid 1240:223"}));
    QVERIFY(hid.bridge.isConnected());
}

void TestMcp2200::initWithoutDevice()
{
    FakeTransportOpener opener;
    QStringList told;
    Mcp2200Bridge bridge(opener, {}, [&](const std::string &text) { told << text.c_str(); });
    unsigned value = 0;
    // Before InitMCP2200 and after one that found nothing, alike.
    for (int round = 0; round < 2; ++round) {
        QVERIFY(!bridge.isConnected());
        QVERIFY(!bridge.setPin(2));
        QVERIFY(!bridge.clearPin(3));
        QVERIFY(!bridge.configureIO(0xF0));
        QVERIFY(!bridge.setBaudRate(9600));
        QVERIFY(!bridge.configure(0xF0, 6000000, 0, 0, false, false, false));
        value = 0;
        QVERIFY(!bridge.readPin(4, &value));
        QCOMPARE(value, 1u); // a silent line
        bridge.init(vid, pid);
    }
    QCOMPARE(opener.calls.size(), std::size_t(4)); // GPIO chip, then hidraw, each time
    // An opener that cannot tell why leaves the chip absent, told once for both searches.
    QCOMPARE(told, QStringList {absentText});
}

#ifndef _WIN32
void TestMcp2200::reinitReleasesFirstDevice()
{
    GpioRig rig;
    bool firstDestroyed = false;
    rig.fake->destroyed = &firstDestroyed;
    bool destroyedBeforeOpen = false;
    rig.opener.gpio = [&]() -> std::unique_ptr<Mcp2200Transport> {
        // The lines must be free before the next chip is looked for: it may be the same one.
        destroyedBeforeOpen = firstDestroyed;
        return nullptr;
    };
    rig.bridge.init(vid, pid);
    QVERIFY(destroyedBeforeOpen);
    QVERIFY(!rig.bridge.isConnected());
}

#endif

void TestMcp2200::hidSetAndClearPin_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<unsigned>("pin");
    QTest::addColumn<Report>("expected");
    QTest::addColumn<int>("sent"); // bytes the system says went out
    QTest::newRow("set 2") << true << 2u << report({{0, 0x08}, {11, 0x04}}) << 17;
    QTest::newRow("set 3") << true << 3u << report({{0, 0x08}, {11, 0x08}}) << 17;
    QTest::newRow("set 0") << true << 0u << report({{0, 0x08}, {11, 0x01}}) << 17;
    QTest::newRow("clear 2") << false << 2u << report({{0, 0x08}, {12, 0x04}}) << 17;
    QTest::newRow("clear 3") << false << 3u << report({{0, 0x08}, {12, 0x08}}) << 17;
    QTest::newRow("clear 7") << false << 7u << report({{0, 0x08}, {12, 0x80}}) << 17;
    QTest::newRow("set 2, padded by the system")
        << true << 2u << report({{0, 0x08}, {11, 0x04}}) << 65;
}

void TestMcp2200::hidSetAndClearPin()
{
    QFETCH(bool, set);
    QFETCH(unsigned, pin);
    QFETCH(Report, expected);
    QFETCH(int, sent);
    HidRig rig;
    rig.chip->sentBytes = sent;
    QVERIFY(set ? rig.bridge.setPin(pin) : rig.bridge.clearPin(pin));
    QCOMPARE(hexAll(rig.chip->written), QList<QByteArray> {hex(expected)});
    QVERIFY(rig.chip->readTimeouts.empty()); // no answer is awaited
}

void TestMcp2200::hidReadPin_data()
{
    QTest::addColumn<std::uint8_t>("inputs");
    QTest::addColumn<unsigned>("pin");
    QTest::addColumn<unsigned>("expected");
    QTest::newRow("4 high") << std::uint8_t(0x10) << 4u << 1u;
    QTest::newRow("4 low, others high") << std::uint8_t(0xEF) << 4u << 0u;
    QTest::newRow("7 high") << std::uint8_t(0x80) << 7u << 1u;
    QTest::newRow("output 2 reads its latch") << std::uint8_t(0x00) << 2u << 1u;
    QTest::newRow("output 0 reads its latch") << std::uint8_t(0xFF) << 0u << 0u;
}

void TestMcp2200::hidReadPin()
{
    QFETCH(std::uint8_t, inputs);
    QFETCH(unsigned, pin);
    QFETCH(unsigned, expected);
    HidRig rig;
    rig.chip->inputLevels = inputs;
    unsigned value = 42;
    QVERIFY(rig.bridge.readPin(pin, &value));
    QCOMPARE(value, expected);
    QCOMPARE(hexAll(rig.chip->written), QList<QByteArray> {hex(readAllRequest)});
}

void TestMcp2200::hidConfigureIO()
{
    HidRig rig;
    rig.chip->altPins = 0xCC;
    rig.chip->defaults = 0x01;
    rig.chip->altOptions = 0x02;
    rig.chip->divisor = 0x1234;
    rig.chip->inputLevels = 0x30;
    QVERIFY(rig.bridge.configureIO(0xE0));
    // READ_ALL, CONFIGURE with only the directions changed, then the outputs as they were:
    // pins 2 and 3 high, 0, 1 and 4 low (4 was an input at 1 and becomes an output).
    QCOMPARE(hexAll(rig.chip->written),
        (QList<QByteArray> {
            hex(readAllRequest),
            hex(report(
                {{0, 0x10}, {4, 0xE0}, {5, 0xCC}, {6, 0x01}, {7, 0x02}, {8, 0x12}, {9, 0x34}})),
            hex(report({{0, 0x08}, {11, 0x1C}, {12, 0x03}})),
        }));
    QCOMPARE(rig.chip->levels() & 0x1F, 0x1C);
}

void TestMcp2200::hidBaudRate_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("divisorHigh");
    QTest::addColumn<int>("divisorLow");
    QTest::newRow("300, the chip's own: nothing written") << 300 << true << -1 << -1;
    QTest::newRow("9600") << 9600 << true << 0x04 << 0xE1; // 1249
    QTest::newRow("1000000") << 1000000 << true << 0x00 << 0x0B;
    QTest::newRow("100: divisor too large") << 100 << false << 0 << 0;
    QTest::newRow("200") << 200 << true << 0xEA << 0x5F; // 59999
    QTest::newRow("180: divisor too large") << 180 << false << 0 << 0;
    QTest::newRow("0") << 0 << false << 0 << 0;
    QTest::newRow("negative") << -9600 << false << 0 << 0;
    QTest::newRow("above the clock") << 12000001 << false << 0 << 0;
}

void TestMcp2200::hidBaudRate()
{
    QFETCH(int, baud);
    QFETCH(bool, ok);
    QFETCH(int, divisorHigh);
    QFETCH(int, divisorLow);
    HidRig rig;
    rig.chip->directions = 0xF0;
    rig.chip->altPins = 0x40;
    rig.chip->defaults = 0x0C;
    rig.chip->altOptions = 0x01;
    QCOMPARE(rig.bridge.setBaudRate(baud), ok);
    if (!ok) {
        QVERIFY(rig.chip->written.empty());
        return;
    }
    if (divisorHigh < 0) {
        QCOMPARE(hexAll(rig.chip->written), QList<QByteArray> {hex(readAllRequest)});
        return;
    }
    QCOMPARE(hexAll(rig.chip->written),
        (QList<QByteArray> {
            hex(readAllRequest),
            hex(report({{0, 0x10}, {4, 0xF0}, {5, 0x40}, {6, 0x0C}, {7, 0x01},
                {8, std::uint8_t(divisorHigh)}, {9, std::uint8_t(divisorLow)}})),
            hex(report({{0, 0x08}, {11, 0x0C}, {12, 0x03}})),
        }));
}

void TestMcp2200::hidConfigureMcp2200_data()
{
    QTest::addColumn<unsigned>("rxMode");
    QTest::addColumn<unsigned>("txMode");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("altPins"); // -1: refused, nothing written
    QTest::addColumn<int>("altOptions");
    // The chip starts with every optional function on, the Rx LED toggling, its UART's polarity
    // inverted (bit 1) and hardware flow control (bit 0).
    // The modes as the maker's library numbers them: 0 off, 1 on, 3 toggle, 4 slow, 5 fast.
    QTest::newRow("as the program calls it") << 0u << 0u << false << 0x01 << 0x82;
    QTest::newRow("all functions on, toggling") << 3u << 3u << true << 0xCD << 0xC3;
    QTest::newRow("blinking at the chip's speed") << 1u << 1u << false << 0x0D << 0x02;
    QTest::newRow("Rx blinking slowly, Tx off") << 4u << 0u << false << 0x09 << 0x22;
    QTest::newRow("Tx blinking fast") << 0u << 5u << false << 0x05 << 0x82;
    QTest::newRow("one slow, one fast") << 4u << 5u << false << -1 << 0;
    QTest::newRow("no mode 2") << 2u << 0u << false << -1 << 0;
    QTest::newRow("unknown mode") << 0u << 6u << false << -1 << 0;
}

void TestMcp2200::hidConfigureMcp2200()
{
    QFETCH(unsigned, rxMode);
    QFETCH(unsigned, txMode);
    QFETCH(bool, on);
    QFETCH(int, altPins);
    QFETCH(int, altOptions);
    HidRig rig;
    rig.chip->directions = 0xFF;
    rig.chip->altPins = 0xCD;
    rig.chip->altOptions = 0x83;
    rig.chip->defaults = 0x00;
    rig.chip->inputLevels = 0x0C;
    QCOMPARE(rig.bridge.configure(240, 6000000, rxMode, txMode, on, on, on), altPins >= 0);
    if (altPins < 0) {
        QVERIFY(rig.chip->written.empty());
        return;
    }
    QCOMPARE(hexAll(rig.chip->written),
        (QList<QByteArray> {
            hex(readAllRequest),
            hex(report({{0, 0x10}, {4, 0xF0}, {5, std::uint8_t(altPins)},
                {7, std::uint8_t(altOptions)}, {9, 0x01}})),
            hex(report({{0, 0x08}, {11, 0x0C}, {12, 0x03}})),
        }));
    QVERIFY(rig.bridge.configure(240, 6000000, rxMode, txMode, on, on, on));
    QCOMPARE(rig.chip->written.size(), std::size_t(4)); // READ_ALL only: nothing to change
    QVERIFY(!rig.bridge.configure(240, 0, 0, 0, false, false, false));
    QCOMPARE(rig.chip->written.size(), std::size_t(4));
}

void TestMcp2200::hidBadAnswer_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("sent"); // bytes of each request the system says went out
    QTest::newRow("no answer") << int(FakeHidChip::Answer::None) << 17;
    QTest::newRow("short read") << int(FakeHidChip::Answer::Short) << 17;
    QTest::newRow("wrong answer byte") << int(FakeHidChip::Answer::WrongCommand) << 17;
    QTest::newRow("request not taken in time") << int(FakeHidChip::Answer::Normal) << 0;
    QTest::newRow("part of a request") << int(FakeHidChip::Answer::Normal) << 16;
}

void TestMcp2200::hidBadAnswer()
{
    QFETCH(int, answer);
    QFETCH(int, sent);
    HidRig rig;
    rig.chip->answer = FakeHidChip::Answer(answer);
    rig.chip->sentBytes = sent;
    unsigned value = 0;
    QVERIFY(!rig.bridge.readPin(4, &value));
    QCOMPARE(value, 1u);
    // The rest of the frame fails at once, asking the chip nothing, with the reason known.
    for (int tick = 0; tick < 100; ++tick) {
        rig.now += 2;
        QVERIFY(!rig.bridge.readPin(4, &value));
        QVERIFY(!rig.bridge.setPin(2));
    }
    QCOMPARE(rig.chip->written.size(), std::size_t(1));
    QCOMPARE(QString(rig.bridge.lastErrorText()),
        "The MCP2200 does not answer. Unplug the cable and plug it in again.");
    QVERIFY(!rig.bridge.isConnected());
    QVERIFY(!rig.bridge.configureIO(0xF0));
    QVERIFY(!rig.bridge.setBaudRate(300));
    QVERIFY(!rig.bridge.configure(0xF0, 6000000, 0, 0, false, false, false));
    // Nothing but READ_ALL requests: no CONFIGURE built from an answer that was not there.
    for (const Report &r : rig.chip->written)
        QCOMPARE(hex(r), hex(readAllRequest));
    QCOMPARE(rig.chip->written.size(), std::size_t(5));
    // In the next exchange, pin writes, which need no answer, are tried again.
    rig.now += Mcp2200Bridge::exchangeGapMs;
    QCOMPARE(rig.bridge.setPin(2), sent >= 17);
}

void TestMcp2200::hidUnplugMidExchange_data()
{
    QTest::addColumn<int>("writesBeforeUnplug");
    QTest::newRow("after READ_ALL") << 1;
    QTest::newRow("after CONFIGURE") << 2;
}

void TestMcp2200::hidUnplugMidExchange()
{
    QFETCH(int, writesBeforeUnplug);
    HidRig rig;
    rig.chip->unplugAfterWrites = writesBeforeUnplug;
    QVERIFY(!rig.bridge.configureIO(0xE0));
    QCOMPARE(rig.chip->written.size(), std::size_t(writesBeforeUnplug));
    QVERIFY(!rig.bridge.isConnected());
    QVERIFY(!rig.bridge.setPin(2));
    QVERIFY(!rig.bridge.clearPin(2));
    unsigned value = 0;
    QVERIFY(!rig.bridge.readPin(4, &value));
    QCOMPARE(value, 1u);
    QCOMPARE(QString(rig.bridge.lastErrorText()),
        "The MCP2200 was lost: the cable was pulled out. Plug it in again.");
}

void TestMcp2200::hidDropsStaleAnswer()
{
    HidRig rig;
    Report stale = rig.chip->readAllAnswer();
    stale[10] = 0x10; // pin 4 high, from a reply that came too late
    rig.chip->queueStale(stale);
    rig.chip->inputLevels = 0x00;
    unsigned value = 1;
    QVERIFY(rig.bridge.readPin(4, &value));
    QCOMPARE(value, 0u);
}

void TestMcp2200::hidReadsNeverWaitLong()
{
    HidRig rig;
    rig.chip->answer = FakeHidChip::Answer::None;
    unsigned value = 0;
    rig.bridge.readPin(4, &value);
    rig.bridge.configureIO(0xF0);
    rig.bridge.isConnected();
    QVERIFY(!rig.chip->readTimeouts.empty());
    for (int timeout : rig.chip->readTimeouts) {
        QVERIFY2(timeout >= 0 && timeout <= 250, QByteArray::number(timeout));
    }
}

void TestMcp2200::pinOutOfRange_data()
{
    QTest::addColumn<unsigned>("pin");
    QTest::newRow("8") << 8u;
    QTest::newRow("100") << 100u;
    QTest::newRow("max") << UINT_MAX;
}

void TestMcp2200::pinOutOfRange()
{
    QFETCH(unsigned, pin);
    HidRig hid;
#ifdef _WIN32
    const std::vector<Mcp2200Bridge *> bridges {&hid.bridge};
#else
    GpioRig gpio;
    gpio.fake->calls.clear();
    const std::vector<Mcp2200Bridge *> bridges {&hid.bridge, &gpio.bridge};
#endif
    for (Mcp2200Bridge *bridge : bridges) {
        unsigned value = 0;
        QVERIFY(!bridge->setPin(pin));
        QVERIFY(!bridge->clearPin(pin));
        QVERIFY(!bridge->readPin(pin, &value));
        QCOMPARE(value, 1u);
    }
    QVERIFY(hid.chip->written.empty());
#ifndef _WIN32
    QVERIFY(gpio.fake->calls.empty());
#endif
    QVERIFY(!hid.bridge.readPin(4, nullptr));
    QVERIFY(hid.chip->written.empty());
}

#ifndef _WIN32
void TestMcp2200::initTestCase()
{
    // Long enough that no fake chip looks silent on a loaded machine; the rows about a silent
    // chip set their own.
    GpioTransport::waits = {10000, 10000};
}

void TestMcp2200::gpioStartRequest()
{
    GpioRig rig;
    QCOMPARE(rig.fake->requests.size(), std::size_t(1));
    const gpio_v2_line_request &request = rig.fake->requests.front();
    std::vector<unsigned> lines = offsets(request);
    std::sort(lines.begin(), lines.end());
    QCOMPARE(lines, (std::vector<unsigned> {0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(QByteArray(request.consumer), QByteArray("virel-configurator"));
    // Taking the lines writes nothing; a pin written first makes line 4 an input, and drives
    // only the link's lines 2 and 3, at the idle level.
    QVERIFY(rig.fake->configured.empty());
    QVERIFY(rig.bridge.setPin(2));
    for (std::uint8_t directions : rig.fake->configured)
        QVERIFY(directions & 0x10);
    QCOMPARE(rig.fake->directions, std::uint8_t(0xF3));
    QVERIFY(rig.fake->level(2));
    QVERIFY(rig.fake->level(3));
}

void TestMcp2200::gpioKernelDriver_data()
{
    // cache: the driver's directions as the transport finds them (0: just bound, every line an
    // output); CONFIGUREs for the program's set-up (ConfigureMCP2200 and ConfigureIO with its
    // mask 240), none at start.
    QTest::addColumn<int>("setterError");
    QTest::addColumn<int>("cache");
    QTest::addColumn<bool>("works");
    QTest::addColumn<int>("configures");
    QTest::newRow("Linux 6.8 to 6.15") << 0 << 0x00 << true << 4;
    QTest::newRow("Linux 6.16: setters give back a count, seen as EBADE")
        << EBADE << 0x00 << true << 4;
    QTest::newRow("as an earlier run left it") << 0 << 0xF0 << true << 0;
    QTest::newRow("Linux 6.16, as an earlier run left it") << EBADE << 0xF0 << true << 0;
    QTest::newRow("link's lines left as inputs") << EBADE << 0xFF << true << 4;
    QTest::newRow("setters fail") << EIO << 0x00 << false << 0;
}

void TestMcp2200::gpioKernelDriver()
{
    QFETCH(int, setterError);
    QFETCH(int, cache);
    QFETCH(bool, works);
    QFETCH(int, configures);
    auto lines = std::make_unique<FakeGpioLines>();
    FakeGpioLines &chip = *lines;
    chip.setterError = setterError;
    chip.directions = chip.chipDirections = static_cast<std::uint8_t>(cache);
    // An earlier run left the link's lines high; a driver just bound has every level low.
    chip.values = chip.chipLatch = cache ? 0x0C : 0x00;
    chip.inputLevels = 0x1C; // undriven, the link's lines and the detector's are pulled high
    GpioTransport transport(std::move(lines));
    QVERIFY(transport.start());
    QVERIFY(chip.configured.empty());
    QVERIFY(!transport.configure(240, 9600, {}));
    QCOMPARE(transport.setDirections(240), works);
    QCOMPARE(int(chip.configured.size()), configures);
    for (std::uint8_t directions : chip.configured)
        QVERIFY(directions & 0x10); // the detector drives line 4: never an output
    if (!works) {
        QCOMPARE(transport.failure().error, setterError);
        QVERIFY(!transport.isLost());
        return;
    }
    QCOMPARE(chip.directions, std::uint8_t(240));
    // Each CONFIGURE clears the chip's outputs for a moment; the driver's next report sets them
    // again, and nothing else brings the link's lines down.
    QVERIFY(chip.unaskedFalls <= 2 * int(chip.configured.size()));
    QVERIFY(chip.lowReports <= int(chip.configured.size()));
    QVERIFY(chip.level(2) && chip.level(3));
    QVERIFY(transport.writePin(2, false));
    QVERIFY(!chip.level(2));
    chip.setterError = EIO; // a refusal, not a pulled cable
    QVERIFY(!transport.writePin(3, false));
    QVERIFY(!transport.isLost());
}

void TestMcp2200::gpioConfigureIOSetsOnlyChanges()
{
    GpioRig rig;
    QVERIFY(rig.bridge.clearPin(3));
    rig.fake->calls.clear();
    const std::size_t configures = rig.fake->configured.size();
    QVERIFY(rig.bridge.configureIO(0xF0));
    // The held lines stay held; only lines 0 and 1 change, each at its last written level.
    QCOMPARE(rig.fake->calls, std::vector<std::string> {"config"});
    QCOMPARE(rig.fake->configured.size(), configures + 2);
    QCOMPARE(rig.fake->directions, std::uint8_t(0xF0));
    QVERIFY(!rig.fake->level(0) && !rig.fake->level(1));
    QVERIFY(rig.fake->level(2));
    QVERIFY(!rig.fake->level(3));

    // The same directions again, through either entry point, reach nothing.
    rig.fake->calls.clear();
    QVERIFY(rig.bridge.configureIO(0xF0));
    QVERIFY(!rig.bridge.configure(0xF0, 6000000, 0, 0, false, false, false));
    QVERIFY(rig.fake->calls.empty());
    QVERIFY(!rig.bridge.configure(0x3C, 6000000, 0, 0, false, false, false));
    QCOMPARE(rig.fake->directions, std::uint8_t(0x3C));
    QCOMPARE(rig.fake->requests.size(), std::size_t(1));
}

void TestMcp2200::gpioPinsFollowRequestIndex()
{
    GpioRig rig;
    const auto indexBit
        = [&](unsigned line) { return std::uint64_t(1) << rig.fake->indexOf(line); };
    rig.fake->inputLevels = 0x10;
    QVERIFY(rig.bridge.clearPin(2));
    QCOMPARE(rig.fake->writes.back().mask, indexBit(2));
    QCOMPARE(rig.fake->writes.back().bits, std::uint64_t(0x0));
    unsigned value = 0;
    QVERIFY(rig.bridge.readPin(4, &value));
    QCOMPARE(rig.fake->reads.back().mask, indexBit(4));
    QCOMPARE(value, 1u);

    QVERIFY(rig.bridge.configureIO(0xF0));
    QVERIFY(rig.bridge.setPin(3));
    QCOMPARE(rig.fake->writes.back().mask, indexBit(3));
    QCOMPARE(rig.fake->writes.back().bits, indexBit(3));
    rig.fake->inputLevels = 0x00;
    QVERIFY(rig.bridge.readPin(4, &value));
    QCOMPARE(value, 0u);
    QVERIFY(rig.bridge.readPin(3, &value)); // an output reads what it drives
    QCOMPARE(value, 1u);
}

void TestMcp2200::gpioRefusesInputs()
{
    GpioRig rig;
    QVERIFY(rig.bridge.setPin(2)); // the lines settled as a pin write leaves them
    rig.fake->calls.clear();
    unsigned value = 0;
    QVERIFY(!rig.bridge.setPin(4)); // an input
    QVERIFY(!rig.bridge.setPin(0)); // an input until ConfigureIO
    QVERIFY(rig.bridge.readPin(0, &value));
    QCOMPARE(rig.fake->calls, std::vector<std::string> {"get"});
}

void TestMcp2200::gpioBaudRateUnsupported()
{
    GpioRig rig;
    QVERIFY(rig.bridge.setPin(2)); // the lines settled as a pin write leaves them
    rig.fake->calls.clear();
    QVERIFY(!rig.bridge.setBaudRate(300));
    QVERIFY(rig.fake->calls.empty());
    QVERIFY(!rig.bridge.configure(240, 6000000, 0, 0, false, false, false));
    // The mask was applied all the same.
    QCOMPARE(rig.fake->calls, std::vector<std::string> {"config"});
    QCOMPARE(rig.fake->directions, std::uint8_t(240));
    QVERIFY(rig.bridge.setPin(0));
}

void TestMcp2200::gpioAllInputs()
{
    GpioRig rig;
    QVERIFY(rig.bridge.configureIO(0xFF));
    QCOMPARE(rig.fake->directions, std::uint8_t(0xFF));
    QVERIFY(!rig.bridge.setPin(2));
    QVERIFY(rig.bridge.configureIO(0x00));
    QCOMPARE(rig.fake->directions, std::uint8_t(0x00));
    QVERIFY(rig.bridge.setPin(2));
}

void TestMcp2200::gpioUnplug()
{
    GpioRig rig;
    QVERIFY(rig.bridge.isConnected());
    rig.fake->unplugged = true;
    QVERIFY(!rig.bridge.isConnected());
    QVERIFY(!rig.bridge.setPin(2));
    QVERIFY(!rig.bridge.clearPin(3));
    unsigned value = 0;
    QVERIFY(!rig.bridge.readPin(4, &value));
    QCOMPARE(value, 1u);
    QVERIFY(!rig.bridge.configureIO(0xF0));
}

void TestMcp2200::gpioFailureIsNotLoss()
{
    // Only ENODEV is a pulled cable: any other refusal fails the call with its own reason, and
    // the held lines are kept.
    GpioRig rig;
    rig.fake->setterError = EIO;
    QVERIFY(!rig.bridge.setPin(2));
    QCOMPARE(QString(rig.bridge.lastErrorText()),
        "The MCP2200 cannot be used: Input/output error. Unplug the cable and plug it in again.");
    rig.fake->setterError = 0;
    rig.now += Mcp2200Bridge::reopenIntervalMs;
    QVERIFY(rig.bridge.setPin(2));
    QVERIFY(rig.bridge.isConnected());
    QCOMPARE(rig.fake->requests.size(), std::size_t(1));
    QCOMPARE(rig.opener.calls.size(), std::size_t(1));
}

void TestMcp2200::gpioSilentChip()
{
    const GpioWaits waits(shortWaits);
    auto lines = std::make_unique<FakeGpioLines>();
    FakeGpioLines &chip = *lines;
    GpioTransport transport(std::move(lines));
    QVERIFY(transport.start());
    chip.silentMs = 2000; // the kernel waits out its READ_ALL
    QElapsedTimer timer;
    timer.start();
    bool high = false;
    QVERIFY(!transport.readPin(4, high));
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(transport.isSilent() && !transport.isLost());
    // While the kernel still waits, calls fail at once, asking it nothing.
    const int ioctls = chip.ioctls;
    QVERIFY(!transport.writePin(2, true));
    QVERIFY(!transport.isAlive());
    QVERIFY(transport.isSilent());
    QCOMPARE(int(chip.ioctls), ioctls);
    // It answers again once the kernel's wait has ended, with the same lines.
    chip.silentMs = 0;
    QTRY_VERIFY_WITH_TIMEOUT(transport.readPin(4, high), 5000);
    QVERIFY(!transport.isSilent());
    QCOMPARE(chip.requests.size(), std::size_t(1));
}

#endif

void TestMcp2200::reopenAfterUnplug()
{
    HidRig rig;
    bool closed = false;
    rig.chip->closed = &closed;
    rig.chip->unplugged = true;
    QVERIFY(!rig.bridge.setPin(2));
    FakeHidChip *second = rig.plugNewChip();
    rig.now += Mcp2200Bridge::reopenIntervalMs - 1;
    QVERIFY(!rig.bridge.isConnected());
    QCOMPARE(rig.opener.calls.size(), std::size_t(2));
    // The pulled cable's handle is let go before the next search: Windows keeps the device
    // until then.
    QVERIFY(closed);
    // A running frame's pin calls fail at once, past the second too: a search would hold up
    // their ticks.
    for (int tick = 0; tick < 1000; ++tick) {
        rig.now += 2;
        QVERIFY(!rig.bridge.setPin(2));
    }
    QCOMPARE(rig.opener.calls.size(), std::size_t(2));
    // The first call of the next exchange looks again.
    rig.now += Mcp2200Bridge::exchangeGapMs;
    QVERIFY(rig.bridge.setPin(2));
    QCOMPARE(rig.opener.calls.size(), std::size_t(4));
    QCOMPARE(hexAll(second->written), QList<QByteArray> {hex(report({{0, 0x08}, {11, 0x04}}))});
    QVERIFY(rig.bridge.isConnected());
}

void TestMcp2200::cablePluggedInLater()
{
    HidRig rig;
    rig.chip->unplugged = true;
    rig.opener.calls.clear();
    rig.bridge.init(vid, pid); // nothing found
    QCOMPARE(rig.opener.calls.size(), std::size_t(2));
    FakeHidChip *chip = rig.plugNewChip();
    rig.now += 500;
    unsigned value = 0;
    QVERIFY(!rig.bridge.readPin(4, &value));
    QCOMPARE(rig.opener.calls.size(), std::size_t(2));
    rig.now += 500;
    chip->inputLevels = 0x00;
    QVERIFY(rig.bridge.readPin(4, &value));
    QCOMPARE(value, 0u);
    QCOMPARE(rig.opener.calls.size(), std::size_t(4));
}

void TestMcp2200::silentChipIsNotReopened()
{
    HidRig rig;
    rig.chip->answer = FakeHidChip::Answer::None;
    unsigned value = 0;
    QVERIFY(!rig.bridge.readPin(4, &value));
    rig.now += 10 * Mcp2200Bridge::reopenIntervalMs;
    QVERIFY(!rig.bridge.isConnected());
    QCOMPARE(QString(rig.bridge.lastErrorText()),
        "The MCP2200 does not answer. Unplug the cable and plug it in again.");
    rig.now += Mcp2200Bridge::exchangeGapMs;
    QVERIFY(rig.bridge.setPin(2)); // the same device, still open
    QCOMPARE(rig.opener.calls.size(), std::size_t(2));
}

#ifdef _WIN32
void TestMcp2200::windowsReasons()
{
    const auto reason
        = [](int error) { return QString::fromStdString(Mcp2200Fault::refused({}, error).text()); };
    // Windows' own words for the error, in whatever language it has them, as one sentence.
    const QRegularExpression ownWords("^The MCP2200 cannot be used: [^\\r\\n]*[^. \\r\\n]\\. "
                                      "Unplug the cable and plug it in again\\.$");
    QVERIFY2(ownWords.match(reason(ERROR_ACCESS_DENIED)).hasMatch(),
        qPrintable(reason(ERROR_ACCESS_DENIED)));
    QCOMPARE(reason(0x2000FFFF),
        "The MCP2200 cannot be used: system error 536936447. Unplug the cable and plug it in "
        "again.");
    // Held by a program that opened it without sharing; nothing about udev or sudo.
    QCOMPARE(reason(ERROR_SHARING_VIOLATION),
        "The MCP2200 is busy, held by another program. Close that program and try again.");
}
#endif

void TestMcp2200::faultReasons_data()
{
    // The GPIO chip in sysfs: "" none, ok, denied (open refused), busy (line request refused),
    // pulled (gone after opening), ours (its node locked by a program of ours); the consumer the
    // kernel names on line 3; one word per hidraw node /dev/hidraw3, /dev/hidraw4 ...: ok,
    // denied, busy, failed, silent, hangs (writes wait 600 ms in the kernel), pulled, ours.
    QTest::addColumn<QString>("gpio");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QStringList>("hidraw");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("reason"); // {gpio}: the GPIO chip's node
#ifdef _WIN32
    // On Windows, one word per HID interface in hidapi's order: ok, busy (held by a program that
    // shares it with none), ours (held by another instance of ours), denied (access denied),
    // failed (hidapi fails where the system opens it), pulled (listed, then gone), hung (takes no
    // report), refusing (writes refused, as Windows refuses a report of the wrong size),
    // removing (writes refused as on a device being removed).
    const QString busy
        = "The MCP2200 is busy, held by another program. Close that program and try again.";
    const auto refused = [](int error) {
        return "The MCP2200 cannot be used: "
            + QString::fromStdString(Mcp2200Fault::systemErrorText(error))
            + ". Unplug the cable and plug it in again.";
    };
    QTest::newRow("windows: opens") << ""
                                    << "" << QStringList {"ok"} << true << "";
    QTest::newRow("windows: held without sharing") << ""
                                                   << "" << QStringList {"busy"} << false << busy;
    QTest::newRow("windows: second instance") << ""
                                              << "" << QStringList {"ours"} << false << busy;
    QTest::newRow("windows: access denied")
        << ""
        << "" << QStringList {"denied"} << false << refused(ERROR_ACCESS_DENIED);
    QTest::newRow("windows: hidapi fails, the system opens")
        << ""
        << "" << QStringList {"failed"} << false << refused(ERROR_GEN_FAILURE);
    QTest::newRow("windows: pulled before opening")
        << ""
        << "" << QStringList {"pulled"} << false
        << "The MCP2200 was lost: the cable was pulled out. Plug it in again.";
    QTest::newRow("windows: second cable opens") << ""
                                                 << "" << QStringList {"busy", "ok"} << true << "";
    QTest::newRow("windows: a write that never completes")
        << ""
        << "" << QStringList {"hung"} << false
        << "The MCP2200 does not answer. Unplug the cable and plug it in again.";
    QTest::newRow("windows: pulled while open")
        << ""
        << "" << QStringList {"removing"} << false
        << "The MCP2200 was lost: the cable was pulled out. Plug it in again.";
    QTest::newRow("windows: writes refused")
        << ""
        << "" << QStringList {"refusing"} << false << refused(ERROR_INVALID_PARAMETER);
    QTest::newRow("windows: first cable's trouble told")
        << ""
        << "" << QStringList {"busy", "denied"} << false << busy;
#else
    const QString hidraw3 = "/dev/hidraw3";
    QTest::newRow("absent") << ""
                            << "" << QStringList {} << false << absentText;
    QTest::newRow("hidraw permission denied")
        << ""
        << "" << QStringList {"denied"} << false << on(deniedText, hidraw3);
    QTest::newRow("gpiochip permission denied")
        << "denied"
        << "" << QStringList {"denied"} << false << on(deniedText, "{gpio}");
    QTest::newRow("gpiochip denied, hidraw opens") << "denied"
                                                   << "" << QStringList {"ok"} << true << "";
    QTest::newRow("gpio lines busy, holder named")
        << "busy"
        << "gpioset" << QStringList {"ok"} << false
        << "The MCP2200 on {gpio} is busy, held by another program (\"gpioset\"). Close that "
           "program and try again.";
    QTest::newRow("gpio lines busy, holder unknown")
        << "busy"
        << "" << QStringList {"ok"} << false
        << "The MCP2200 on {gpio} is busy, held by another program. Close that program and try "
           "again.";
    QTest::newRow("hidraw busy") << ""
                                 << "" << QStringList {"busy"} << false
                                 << "The MCP2200 on /dev/hidraw3 is busy, held by another "
                                    "program. Close that program and try again.";
    QTest::newRow("hidraw pulled")
        << ""
        << "" << QStringList {"pulled"} << false << on(lostText, hidraw3);
    QTest::newRow("gpio chip pulled") << "pulled"
                                      << "" << QStringList {} << false << on(lostText, "{gpio}");
    QTest::newRow("gpio chip silent") << "silent"
                                      << "" << QStringList {} << false
                                      << "The MCP2200 on {gpio} does not answer. Unplug the cable "
                                         "and plug it in again.";
    QTest::newRow("hidraw silent") << ""
                                   << "" << QStringList {"silent"} << false
                                   << "The MCP2200 on /dev/hidraw3 does not answer. Unplug the "
                                      "cable and plug it in again.";
    QTest::newRow("hidraw refused otherwise")
        << ""
        << "" << QStringList {"failed"} << false
        << "The MCP2200 on /dev/hidraw3 cannot be used: No such device or address. Unplug the "
           "cable and plug it in again.";
    QTest::newRow("second cable opens") << ""
                                        << "" << QStringList {"denied", "ok"} << true << "";
    QTest::newRow("first cable's trouble told") << ""
                                                << "" << QStringList {"busy", "denied"} << false
                                                << "The MCP2200 on /dev/hidraw3 is busy, held by "
                                                   "another program. Close that program and try "
                                                   "again.";
    // This test's own program holds the lock, as another instance of the configurator would.
    const QString heldByUs = "is busy, held by another program (\"tst_mcp2200\"). Close that "
                             "program and try again.";
    QTest::newRow("hidraw locked by another instance")
        << ""
        << "" << QStringList {"ours"} << false << "The MCP2200 on /dev/hidraw3 " + heldByUs;
    QTest::newRow("gpio chip locked by another instance")
        << "ours"
        << "" << QStringList {"ok"} << false << "The MCP2200 on {gpio} " + heldByUs;
    QTest::newRow("locked first cable, second opens")
        << ""
        << "" << QStringList {"ours", "ok"} << true << "";
    QTest::newRow("locked first gpio chip, second opens") << "ours second"
                                                          << "" << QStringList {} << true << "";
    QTest::newRow("hidraw write hangs") << ""
                                        << "" << QStringList {"hangs"} << false
                                        << "The MCP2200 on /dev/hidraw3 does not answer. Unplug "
                                           "the cable and plug it in again.";
#endif
}

void TestMcp2200::faultReasons()
{
    QFETCH(QString, gpio);
    QFETCH(QString, holder);
    QFETCH(QStringList, hidraw);
    QFETCH(bool, connected);
    QFETCH(QString, reason);
#ifdef _WIN32
    // Each interface a file of its own.
    QTemporaryDir dir;
    std::map<std::string, QString> words;
    std::vector<std::string> paths;
    std::vector<std::string> ours;
    std::vector<HANDLE> held;
    for (int i = 0; i < hidraw.size(); ++i) {
        const QString path = QDir::toNativeSeparators(dir.filePath(QString::number(i)));
        paths.push_back(path.toStdString());
        words[paths.back()] = hidraw[i];
        if (hidraw[i] == "ours")
            ours.push_back(paths.back());
        QFile file(path);
        if (hidraw[i] == "denied")
            QVERIFY(QDir().mkdir(path));
        else if (hidraw[i] != "pulled")
            QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        if (hidraw[i] == "busy")
            held.push_back(CreateFileA(
                paths.back().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    // As hidapi 0.15.0 opens a device: read-write, else with no access, so that writes fail.
    std::set<std::string> removed;
    const auto hidapiOpen = [&](const std::string &path, int &error) {
        // Its removal under way: once opened, it is not found again.
        if (words[path] == "removing" && !removed.insert(path).second) {
            error = ERROR_FILE_NOT_FOUND;
            return std::unique_ptr<HidDevice>();
        }
        for (const DWORD access : {DWORD(GENERIC_READ | GENERIC_WRITE), DWORD(0)}) {
            const HANDLE handle = CreateFileA(path.c_str(), access,
                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (handle == INVALID_HANDLE_VALUE)
                continue;
            CloseHandle(handle);
            if (words[path] == "failed")
                break;
            const std::map<QString, DWORD> writeErrors {{"hung", ERROR_IO_PENDING},
                {"refusing", ERROR_INVALID_PARAMETER}, {"removing", ERROR_ACCESS_DENIED}};
            const auto failing = writeErrors.find(words[path]);
            auto chip = failing != writeErrors.end()
                ? std::make_unique<FailingChip>(failing->second)
                : std::make_unique<FakeHidChip>();
            chip->unplugged = access == 0;
            return std::unique_ptr<HidDevice>(std::move(chip));
        }
        error = HidapiDevice::openError(path);
        return std::unique_ptr<HidDevice>();
    };
    HidTransportOpener firstInstance([&](unsigned, unsigned) { return ours; }, hidapiOpen);
    const std::unique_ptr<Mcp2200Transport> firstHolds = firstInstance.openHid(vid, pid);
    HidTransportOpener opener([&](unsigned, unsigned) { return paths; }, hidapiOpen);
    std::int64_t now = 0;
    QStringList told;
    Mcp2200Bridge bridge(
        opener, [&] { return now; },
        [&](const std::string &text) { told << QString::fromStdString(text); });
    bridge.init(vid, pid);
    QCOMPARE(bridge.isConnected(), connected);
    // The same trouble met again, and again after the next search for the chip, is told once.
    bridge.setPin(2);
    now += Mcp2200Bridge::reopenIntervalMs;
    QCOMPARE(bridge.isConnected(), connected);
    QCOMPARE(QString(bridge.lastErrorText()), reason);
    QCOMPARE(told, reason.isEmpty() ? QStringList() : QStringList {reason});
    // The first instance keeps working.
    QVERIFY(!firstHolds || firstHolds->isAlive());
    QCOMPARE(bool(firstHolds), !ours.empty());
    for (const HANDLE handle : held)
        CloseHandle(handle);
#else
    FakeSysfs sysfs;
    QVERIFY(sysfs.isValid());
    if (!gpio.isEmpty())
        QVERIFY(sysfs.addChip("gpiochip1", "mcp2200", "04d8", "00df", true));
    if (gpio.endsWith(" second"))
        QVERIFY(sysfs.addChip("gpiochip2", "mcp2200", "04d8", "00df", true));
    FakeDeviceNodes nodes;
    const GpioWaits waits(gpio == "silent" ? shortWaits : GpioTransport::waits);
    nodes.gpioRefusal = gpio == "denied" ? EACCES : 0;
    nodes.prepareLines = [&](FakeGpioLines &lines) {
        lines.failRequests = gpio == "busy";
        lines.failError = EBUSY;
        lines.consumers[7] = holder.toStdString();
        // The kernel waits out each report to a silent chip.
        lines.silentMs = gpio == "silent" ? 2000 : 0;
    };
    const std::map<QString, int> refusals {{"denied", EACCES}, {"busy", EBUSY}, {"failed", ENXIO}};
    for (int i = 0; i < hidraw.size(); ++i) {
        const auto refusal = refusals.find(hidraw[i]);
        nodes.hidraw.push_back({"/dev/hidraw" + std::to_string(3 + i),
            refusal == refusals.end() ? 0 : refusal->second});
    }
    nodes.prepareChip = [&](FakeHidChip &chip) {
        if (hidraw.contains("silent"))
            chip.answer = FakeHidChip::Answer::None;
        if (hidraw.contains("hangs"))
            chip.writeMs = 600;
    };
    // Another instance of ours, in this test's own program, holds the node first.
    NodeTransportOpener firstInstance(nodes, sysfs.finder());
    const std::unique_ptr<Mcp2200Transport> firstHolds = gpio.startsWith("ours")
        ? firstInstance.openGpio(vid, pid)
        : hidraw.contains("ours") ? firstInstance.openHid(vid, pid)
                                  : nullptr;
    NodeTransportOpener opener(nodes, sysfs.finder());
    std::int64_t now = 0;
    QStringList told;
    Mcp2200Bridge bridge(
        opener, [&] { return now; },
        [&](const std::string &text) { told << QString::fromStdString(text); });
    // None of the calls holds the caller long, whatever the kernel waits for.
    qint64 longest = 0;
    QElapsedTimer call;
    const auto timed = [&](auto run) {
        call.start();
        const auto result = run();
        longest = std::max(longest, call.elapsed());
        return result;
    };
    timed([&] {
        bridge.init(vid, pid);
        return true;
    });
    if (gpio == "pulled") {
        nodes.lines->unplugged = true;
        QVERIFY(sysfs.removeNode("gpiochip1"));
    }
    if (hidraw.contains("pulled")) {
        nodes.chip->unplugged = true;
        nodes.hidraw.clear();
    }
    QCOMPARE(timed([&] { return bridge.isConnected(); }), connected);
    // The same trouble met again, and again after the next search for the chip, is told once.
    timed([&] { return bridge.setPin(2); });
    now += Mcp2200Bridge::reopenIntervalMs;
    QCOMPARE(timed([&] { return bridge.isConnected(); }), connected);
    QVERIFY2(longest < 500, qPrintable(QString::number(longest)));
    reason.replace("{gpio}", sysfs.node("gpiochip1"));
    QCOMPARE(QString(bridge.lastErrorText()), reason);
    QCOMPARE(told, reason.isEmpty() ? QStringList() : QStringList {reason});
    // The first instance keeps working.
    QCOMPARE(
        firstHolds && firstHolds->isAlive(), gpio.startsWith("ours") || hidraw.contains("ours"));
#endif
}

#ifndef _WIN32
void TestMcp2200::reasonToldOnce()
{
    // Told again when it comes back after the chip was usable, and whenever it changes.
    FakeSysfs sysfs;
    FakeDeviceNodes nodes;
    NodeTransportOpener opener(nodes, sysfs.finder());
    std::int64_t now = 0;
    QStringList told;
    Mcp2200Bridge bridge(
        opener, [&] { return now; },
        [&](const std::string &text) { told << QString::fromStdString(text); });
    nodes.hidraw = {{"/dev/hidraw3", EACCES}};
    bridge.init(vid, pid);
    nodes.hidraw[0].refusal = 0;
    now += Mcp2200Bridge::reopenIntervalMs;
    QVERIFY(bridge.isConnected());
    for (int round = 0; round < 2; ++round) {
        nodes.chip->unplugged = true;
        QVERIFY(!bridge.setPin(2));
        // Known at once, not at the next search.
        QCOMPARE(QString(bridge.lastErrorText()), on(lostText, "/dev/hidraw3"));
        now += Mcp2200Bridge::reopenIntervalMs;
        QVERIFY(bridge.isConnected());
    }
    QCOMPARE(told,
        (QStringList {on(deniedText, "/dev/hidraw3"), on(lostText, "/dev/hidraw3"),
            on(lostText, "/dev/hidraw3")}));
}

void TestMcp2200::finderMatches_data()
{
    // name|label|idVendor|idProduct|devNode?[|usb: no HID_ID, uhid: no USB device]
    QTest::addColumn<QStringList>("chips");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one chip") << QStringList {"gpiochip1|mcp2200|04d8|00df|y"} << "gpiochip1";
    QTest::newRow("upper-case ids") << QStringList {"gpiochip1|mcp2200|04D8|00DF|y"} << "gpiochip1";
    QTest::newRow("other label") << QStringList {"gpiochip1|ftdi-cbus|04d8|00df|y"} << "";
    QTest::newRow("other product") << QStringList {"gpiochip1|mcp2200|04d8|00dd|y"} << "";
    QTest::newRow("no device node") << QStringList {"gpiochip1|mcp2200|04d8|00df|n"} << "";
    QTest::newRow("second of two")
        << QStringList {"gpiochip0|INT34C6:00|8086|0001|y", "gpiochip3|mcp2200|04d8|00df|y"}
        << "gpiochip3";
    QTest::newRow("all, lowest number first") << QStringList {"gpiochip10|mcp2200|04d8|00df|y",
        "gpiochip2|mcp2200|04d8|00df|y"} << "gpiochip2 gpiochip10";
    QTest::newRow("no gpio bus") << QStringList {} << "";
    QTest::newRow("no label to read: the IDs decide")
        << QStringList {"gpiochip1||04d8|00df|y"} << "gpiochip1";
    QTest::newRow("no label, other product") << QStringList {"gpiochip1||04d8|00dd|y"} << "";
    QTest::newRow("USB IDs alone")
        << QStringList {"gpiochip1|mcp2200|04d8|00df|y|usb"} << "gpiochip1";
    QTest::newRow("uhid: the HID device's IDs")
        << QStringList {"gpiochip1|mcp2200|04d8|00df|y|uhid"} << "gpiochip1";
    QTest::newRow("uhid: other product")
        << QStringList {"gpiochip1|mcp2200|04d8|00dd|y|uhid"} << "";
}

void TestMcp2200::finderMatches()
{
    QFETCH(QStringList, chips);
    QFETCH(QString, expected);
    FakeSysfs sysfs;
    QVERIFY(sysfs.isValid());
    for (const QString &chip : chips) {
        const QStringList f = chip.split('|');
        const auto layout = f.value(5) == "uhid" ? FakeSysfs::Layout::Uhid
            : f.value(5) == "usb"                ? FakeSysfs::Layout::UsbIdsOnly
                                                 : FakeSysfs::Layout::Usb;
        QVERIFY(sysfs.addChip(f[0], f[1], f[2], f[3], f[4] == "y", layout));
    }
    QStringList found;
    for (const std::string &node : sysfs.finder().find(vid, pid))
        found << QString::fromStdString(node);
    QStringList nodes;
    for (const QString &name : expected.split(' ', Qt::SkipEmptyParts))
        nodes << sysfs.node(name);
    QCOMPARE(found, nodes);
}

void TestMcp2200::finderPrefersLabelReader()
{
    QTemporaryDir root;
    const QString sys = root.filePath("sys");
    const QString usb = sys + "/devices/usb1/1-1";
    const QString hid = usb + "/1-1:1.0/0003:04D8:00DF.0001";
    const QString chipDir = hid + "/gpiochip0";
    writeFile(usb + "/idVendor", "04d8\n");
    writeFile(usb + "/idProduct", "00df\n");
    writeFile(hid + "/gpio/gpiochip512/label", "mcp2200\n");
    QVERIFY(QDir().mkpath(chipDir));
    QDir().mkpath(sys + "/bus/gpio/devices");
    QVERIFY(QFile::link(chipDir, sys + "/bus/gpio/devices/gpiochip0"));
    writeFile(root.filePath("dev/gpiochip0"), {});

    std::vector<std::string> asked;
    auto reader = [&asked](const std::string &node) {
        asked.push_back(node);
        return std::string("not-mcp2200");
    };
    GpioChipFinder finder(sys.toStdString(), root.filePath("dev").toStdString(), reader);
    QVERIFY(finder.find(vid, pid).empty());
    QCOMPARE(asked, (std::vector<std::string> {root.filePath("dev/gpiochip0").toStdString()}));
}

#endif

void TestMcp2200::libraryWithoutCable()
{
#ifdef _WIN32
    // hidapi, as linked into the library, lists the system's HID devices, under Wine too.
    QCOMPARE(hid_init(), 0);
    hid_device_info *devices = hid_enumerate(0, 0);
    const QString error = QString::fromWCharArray(hid_error(nullptr));
    hid_free_enumeration(devices);
    QVERIFY2(devices || error == "No HID devices found in the system.", qPrintable(error));
#endif
    if (QDir("/sys/bus/usb/devices").exists()) {
        for (const QString &entry : QDir("/sys/bus/usb/devices").entryList(QDir::Dirs)) {
            QFile vendor("/sys/bus/usb/devices/" + entry + "/idVendor");
            QFile product("/sys/bus/usb/devices/" + entry + "/idProduct");
            if (vendor.open(QIODevice::ReadOnly) && product.open(QIODevice::ReadOnly)
                && vendor.readAll().trimmed() == "04d8" && product.readAll().trimmed() == "00df")
                QSKIP("an MCP2200 is plugged in");
        }
    }
    QLibrary library(QStringLiteral(MCP2200_LIBRARY));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    auto init = reinterpret_cast<void (*)(unsigned, unsigned)>(library.resolve("InitMCP2200"));
    auto connected = reinterpret_cast<bool (*)()>(library.resolve("IsConnected"));
    auto setPin = reinterpret_cast<bool (*)(unsigned)>(library.resolve("SetPin"));
    auto readPin = reinterpret_cast<bool (*)(unsigned, unsigned *)>(library.resolve("ReadPin"));
    auto baud = reinterpret_cast<bool (*)(int)>(library.resolve("fnSetBaudRate"));
    QVERIFY(init && connected && setPin && readPin && baud);
    auto errorText = reinterpret_cast<const char *(*)()>(library.resolve("LastErrorText"));
    QVERIFY(library.resolve("ConfigureIO") && library.resolve("ClearPin")
        && library.resolve("ConfigureMCP2200") && errorText);
    QCOMPARE(QString(errorText()), QString("InitMCP2200 has not been called yet."));
    const QByteArray written = stderrDuring([&] {
        init(vid, pid);
        QVERIFY(!connected());
        QVERIFY(!connected());
    });
    QCOMPARE(QString(errorText()), absentText);
    QCOMPARE(QString(written), "libSimpleIO-UM: " + absentText + "\n");
    QVERIFY(!setPin(2));
    QVERIFY(!baud(300));
    unsigned value = 0;
    QVERIFY(!readPin(4, &value));
    QCOMPARE(value, 1u);
}

QTEST_GUILESS_MAIN(TestMcp2200)
#include "tst_mcp2200.moc"
