#include "BridgeLibrary.h"
#include "ClockedLine.h"
#include "SimControl.h"
#include "SimpleIO.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace {

constexpr unsigned int vendorId = 0x04D8;
constexpr unsigned int productId = 0x00DF;
constexpr unsigned int clockPin = 2;
constexpr unsigned int dataOutPin = 3;
constexpr unsigned int dataInPin = 4;
constexpr unsigned char linkMask = 240;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(static_cast<char>(v));
    return result;
}

// A machine that stalls the test mid-frame must not drop the frame: only the rows about the
// detector's limit on a clock standing still set it.
void bringUp()
{
    sim_set_stall_limit(0);
    InitMCP2200(vendorId, productId);
    ConfigureMCP2200(linkMask, 6000000, 0, 0, false, false, false);
    ConfigureIO(linkMask);
    SetPin(clockPin);
    SetPin(dataOutPin);
}

// The library this test links to, bound by name as the link binds it.
BridgeLibrary &bridge()
{
    static BridgeLibrary library;
    if (library.loadResult() == BridgeLibrary::LoadResult::NotTried)
        library.load();
    return library;
}

void idleLines()
{
    ClockedLine(bridge()).idle();
}

void sendFrame(const QByteArray &frame, int gapMs = 0)
{
    ClockedLine line(bridge());
    for (int i = 0; i < frame.size(); ++i) {
        if (i > 0 && gapMs > 0)
            QThread::msleep(static_cast<unsigned long>(gapMs));
        line.send(static_cast<std::uint8_t>(frame.at(i)));
    }
}

QByteArray receiveFrame(int length)
{
    const std::vector<std::uint8_t> reply = ClockedLine(bridge()).receive(length);
    return QByteArray(reinterpret_cast<const char *>(reply.data()), static_cast<int>(reply.size()));
}

QByteArray exchange(const QByteArray &frame, int replyLength)
{
    sendFrame(frame);
    return receiveFrame(replyLength);
}

QByteArray received()
{
    unsigned char buffer[16] = {};
    const size_t n = sim_received(buffer, sizeof buffer);
    return QByteArray(reinterpret_cast<const char *>(buffer), static_cast<int>(n));
}

QByteArray storedConfig()
{
    unsigned char config[5] = {};
    sim_get_config(config);
    return QByteArray(reinterpret_cast<const char *>(config), 5);
}

QByteArray storedDate()
{
    unsigned char date[7] = {};
    sim_get_date(date);
    return QByteArray(reinterpret_cast<const char *>(date), 7);
}

void storeConfig(const QByteArray &config)
{
    sim_set_config(reinterpret_cast<const unsigned char *>(config.constData()));
}

const QByteArray startConfig = bytes({0x01, 20, 3, 7, 15});

void sleepUntil(std::uint64_t nanoseconds)
{
    for (std::uint64_t now = sim_clock_nanoseconds(); now < nanoseconds;
         now = sim_clock_nanoseconds())
        std::this_thread::sleep_for(std::chrono::nanoseconds(nanoseconds - now));
}

// Holds the clock phase that the last call began: until `microseconds` after that call returned.
void hold(int microseconds)
{
    sleepUntil(sim_clock_nanoseconds() + std::uint64_t(microseconds) * 1000);
}

// As the clocked line sends and receives a byte, with each clock phase held for a set time.
void sendByteTimed(unsigned char byte, int lowUs, int highUs)
{
    for (int bit = 7; bit >= 0; --bit) {
        ClearPin(clockPin);
        if ((byte >> bit) & 1)
            SetPin(dataOutPin);
        else
            ClearPin(dataOutPin);
        hold(lowUs);
        SetPin(clockPin);
        hold(highUs);
    }
}

unsigned char receiveByteTimed(int lowUs, int highUs)
{
    unsigned char byte = 0;
    for (int bit = 7; bit >= 0; --bit) {
        ClearPin(clockPin);
        hold(lowUs);
        SetPin(clockPin);
        unsigned int value = 0;
        ReadPin(dataInPin, &value);
        byte = static_cast<unsigned char>((byte << 1) | (value != 0 ? 1 : 0));
        hold(highUs);
    }
    return byte;
}

// Offset of looks every `periodUs` that fall half a period away from `now`: calls made at
// now + k * period then come midway between two looks.
unsigned int midwayOffset(std::uint64_t now, unsigned int periodUs)
{
    return static_cast<unsigned int>((now / 1000 + periodUs / 2) % periodUs);
}

// The trace rows: where the trace goes and what runs.
enum class TraceRun {
    CallsInMemory, // sim_trace_enable(), no variable
    CallsInFile,
    ExchangesInFile, // a handshake, a read and a write, each answered
    CallsThenResetInFile, // the reset starts the file anew
    CallsWithoutFile, // no variable
};

const char traceVariable[] = "VIREL_SIM_TRACE";

// One call of each entry point, and a failing one of those that can fail on an open bridge.
void makeTracedCalls()
{
    InitMCP2200(vendorId, productId);
    IsConnected();
    ConfigureMCP2200(linkMask, 6000000, 0, 0, false, false, false);
    ConfigureIO(linkMask);
    SetPin(clockPin);
    ClearPin(dataOutPin);
    SetPin(dataInPin);
    unsigned int value = 0;
    ReadPin(dataOutPin, &value);
    ReadPin(dataInPin, &value);
    ReadPin(dataInPin, nullptr);
    fnSetBaudRate(300);
}

// An in-memory entry as the trace file's call line has it: "CALL ARG VALUE RESULT".
QString callLine(const SimTraceEntry &entry)
{
    static const QStringList names {"InitMCP2200", "IsConnected", "ConfigureIO", "SetPin",
        "ClearPin", "ReadPin", "fnSetBaudRate", "ConfigureMCP2200"};
    return QString("%1 %2 %3 %4")
        .arg(names.value(int(entry.call), "?"))
        .arg(entry.arg)
        .arg(entry.value)
        .arg(entry.result ? 1 : 0);
}

struct TraceLines
{
    QStringList lines; // without their time stamps
    QString fault; // a line without a stamp "T " (milliseconds, three decimals), or going back
};

TraceLines traceLines(const QByteArray &contents)
{
    static const QRegularExpression stamped(R"(^(\d+)\.(\d{3}) (.+)$)");
    TraceLines result;
    qint64 previous = 0;
    for (const QByteArray &line : contents.split('\n')) {
        if (line.isEmpty())
            continue;
        const QRegularExpressionMatch match = stamped.match(QString::fromLatin1(line));
        if (!match.hasMatch()) {
            result.fault = "no time stamp: " + QString::fromLatin1(line);
            break;
        }
        const qint64 micros
            = match.captured(1).toLongLong() * 1000 + match.captured(2).toLongLong();
        if (micros < previous) {
            result.fault = "time going back: " + QString::fromLatin1(line);
            break;
        }
        previous = micros;
        result.lines << match.captured(3);
    }
    if (result.fault.isEmpty() && !contents.isEmpty() && !contents.endsWith('\n'))
        result.fault = "the last line is not ended";
    return result;
}

} // namespace

Q_DECLARE_METATYPE(TraceRun)

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void init() { sim_reset(); }

    void callsFailWithoutOpenBridge_data();
    void callsFailWithoutOpenBridge();
    void chipIdsOpenTheBridge();
    void pinDriving_data();
    void pinDriving();
    void readPinRejectsBadArguments();
    void undrivenInputsReadHigh();
    void latchSurvivesDirectionChange();
    void baudRate();

    void handshake();
    void handshakeReplyFault();
    void readConfiguration();
    void write_data();
    void write();
    void setAndReadDate();
    void startDateIsToday();
    void silentLine_data();
    void silentLine();
    void markerFault_data();
    void markerFault();
    void storeFault();
    void failingCalls_data();
    void failingCalls();
    void bitFlip_data();
    void bitFlip();

    void extraClockPeriodBetweenBytes();
    void onlyEdgesClockBits();
    void replyBitsChangeOnFallingEdges();
    void lastReplyBitHeldUntilNextFallingEdge();
    void directionChangeMakesAnEdge();
    void stalledClockDropsPartialByte();
    void stalledClockDropsPartialFrame();

    void pollingNeedsFullPhases_data();
    void pollingNeedsFullPhases();
    void pollingSamplesDataAtTheLook_data();
    void pollingSamplesDataAtTheLook();
    void pollingFindsStepAfterIdleLine_data();
    void pollingFindsStepAfterIdleLine();
    void slowCallsActInsideTheirTime_data();
    void slowCallsActInsideTheirTime();

    void trace_data();
    void trace();
    void traceOnlyWhileEnabled();
    void resetRestoresStartState();
    void loadingByNameSharesTheDevice();
};

void TestSim::callsFailWithoutOpenBridge_data()
{
    QTest::addColumn<bool>("initialise");
    QTest::addColumn<unsigned int>("vendor");
    QTest::addColumn<unsigned int>("product");
    QTest::newRow("never initialised") << false << 0u << 0u;
    QTest::newRow("wrong vendor") << true << 0x04D9u << productId;
    QTest::newRow("wrong product") << true << vendorId << 0x00DEu;
}

void TestSim::callsFailWithoutOpenBridge()
{
    QFETCH(bool, initialise);
    QFETCH(unsigned int, vendor);
    QFETCH(unsigned int, product);
    if (initialise)
        InitMCP2200(vendor, product);

    unsigned int value = 7;
    QVERIFY(!IsConnected());
    QVERIFY(!ConfigureMCP2200(0, 9600, 0, 0, false, false, false));
    QVERIFY(!ConfigureIO(0));
    QVERIFY(!SetPin(clockPin));
    QVERIFY(!ClearPin(clockPin));
    QVERIFY(!ReadPin(dataInPin, &value));
    QCOMPARE(value, 7u);
    QVERIFY(!fnSetBaudRate(300));
    QCOMPARE(sim_io_mask(), 0xFFu);
    QCOMPARE(sim_baud_rate(), 9600u);
}

void TestSim::chipIdsOpenTheBridge()
{
    InitMCP2200(vendorId, productId);
    QVERIFY(IsConnected());
    QCOMPARE(sim_io_mask(), 0xFFu); // opening does not change the directions
    InitMCP2200(0x1234, productId);
    QVERIFY(!IsConnected());
}

void TestSim::pinDriving_data()
{
    QTest::addColumn<unsigned int>("mask");
    QTest::addColumn<unsigned int>("pin");
    QTest::addColumn<bool>("high");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<unsigned int>("readBack");

    QTest::newRow("clock low") << 240u << 2u << false << true << 0u;
    QTest::newRow("clock high") << 240u << 2u << true << true << 1u;
    QTest::newRow("data low") << 240u << 3u << false << true << 0u;
    QTest::newRow("pin 0 low") << 240u << 0u << false << true << 0u;
    QTest::newRow("input pin 4 low") << 240u << 4u << false << false << 1u;
    QTest::newRow("input pin 7 low") << 240u << 7u << false << false << 1u;
    QTest::newRow("all inputs, pin 2") << 255u << 2u << false << false << 1u;
    QTest::newRow("all outputs, pin 7") << 0u << 7u << false << true << 0u;
    QTest::newRow("all outputs, pin 4") << 0u << 4u << false << true << 0u;
    QTest::newRow("pin 8") << 0u << 8u << false << false << 0u;
}

void TestSim::pinDriving()
{
    QFETCH(unsigned int, mask);
    QFETCH(unsigned int, pin);
    QFETCH(bool, high);
    QFETCH(bool, accepted);
    QFETCH(unsigned int, readBack);

    InitMCP2200(vendorId, productId);
    QVERIFY(ConfigureIO(static_cast<unsigned char>(mask)));
    QCOMPARE(sim_io_mask(), mask);
    const bool result = high ? SetPin(pin) : ClearPin(pin);
    QCOMPARE(result, accepted);
    if (pin < 8) {
        unsigned int value = 9;
        QVERIFY(ReadPin(pin, &value));
        QCOMPARE(value, readBack);
        QCOMPARE(sim_pin_level(pin), static_cast<int>(readBack));
    }
}

void TestSim::readPinRejectsBadArguments()
{
    bringUp();
    unsigned int value = 5;
    QVERIFY(!ReadPin(dataInPin, nullptr));
    QVERIFY(!ReadPin(8, &value));
    QCOMPARE(value, 5u);
}

void TestSim::undrivenInputsReadHigh()
{
    InitMCP2200(vendorId, productId);
    for (unsigned int pin = 0; pin < 8; ++pin) {
        unsigned int value = 0;
        QVERIFY(ReadPin(pin, &value));
        QCOMPARE(value, 1u);
    }
}

void TestSim::latchSurvivesDirectionChange()
{
    InitMCP2200(vendorId, productId);
    QVERIFY(ConfigureIO(0xFE));
    QVERIFY(ClearPin(0));
    QVERIFY(ConfigureIO(0xFF));
    QCOMPARE(sim_pin_level(0), 1);
    QVERIFY(!SetPin(0));
    QVERIFY(ConfigureIO(0xFE));
    QCOMPARE(sim_pin_level(0), 0);
}

void TestSim::baudRate()
{
    InitMCP2200(vendorId, productId);
    QVERIFY(fnSetBaudRate(300));
    QCOMPARE(sim_baud_rate(), 300u);
    QVERIFY(!fnSetBaudRate(0));
    QVERIFY(!fnSetBaudRate(-9600));
    QCOMPARE(sim_baud_rate(), 300u);
    QVERIFY(ConfigureMCP2200(linkMask, 6000000, 0, 0, false, false, false));
    QCOMPARE(sim_baud_rate(), 6000000u);
    QCOMPARE(sim_io_mask(), static_cast<unsigned int>(linkMask));
}

void TestSim::handshake()
{
    bringUp();
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55}));
    QCOMPARE(received(), bytes({0xAA}));
    QCOMPARE(sim_pin_level(dataInPin), 1);
}

void TestSim::readConfiguration()
{
    bringUp();
    QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53}) + startConfig);
    const QByteArray other = bytes({0x0E, 45, 0, 15, 9});
    storeConfig(other);
    QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53}) + other);
}

void TestSim::handshakeReplyFault()
{
    bringUp();
    sim_set_handshake_reply(0x5A);
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x5A}));
    sim_set_handshake_reply(0x55);
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55}));
}

void TestSim::write_data()
{
    QTest::addColumn<QByteArray>("commit");
    QTest::addColumn<bool>("stored");

    QTest::newRow("committed") << bytes({0xA9}) << true;
    QTest::newRow("never committed") << QByteArray() << false;
    QTest::newRow("read, then commit") << bytes({0xA3, 0xA9}) << false;
    QTest::newRow("handshake, then commit") << bytes({0xAA, 0xA9}) << false;
}

void TestSim::write()
{
    QFETCH(QByteArray, commit);
    QFETCH(bool, stored);

    bringUp();
    const QByteArray written = bytes({0x0F, 35, 12, 0, 1});
    sendFrame(bytes({0xA6}) + written);
    QCOMPARE(received(), bytes({0xA6}) + written);
    QCOMPARE(storedConfig(), startConfig); // pending until committed
    for (char command : commit) {
        const int replyLength = command == char(0xA3) ? 6 : command == char(0xAA) ? 1 : 0;
        exchange(QByteArray(1, command), replyLength);
    }
    const QByteArray expected = stored ? written : startConfig;
    QCOMPARE(storedConfig(), expected);
    QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53}) + expected);
}

void TestSim::setAndReadDate()
{
    bringUp();
    const QByteArray before = storedDate();
    sendFrame(bytes({0xA1, 26, 12, 6}));
    QCOMPARE(received(), bytes({0xA1, 26, 12, 6}));
    const QByteArray expected = bytes({26, 12, 6}) + before.mid(3);
    QCOMPARE(storedDate(), expected);
    QCOMPARE(exchange(bytes({0xA2}), 7), expected);

    const QByteArray other = bytes({26, 12, 6, 0, 0, 9, 0xFF});
    sim_set_date(reinterpret_cast<const unsigned char *>(other.constData()));
    QCOMPARE(exchange(bytes({0xA2}), 7), other);
}

void TestSim::startDateIsToday()
{
    const std::time_t now = std::time(nullptr);
    const std::tm *local = std::localtime(&now);
    const QByteArray expected
        = bytes({local->tm_year % 100, local->tm_mon + 1, local->tm_mday, 0, 0, 0, 0});
    QCOMPARE(storedDate(), expected);
}

void TestSim::silentLine_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("replyLength");

    QTest::newRow("unknown command") << true << bytes({0x42}) << 6;
    QTest::newRow("commit alone") << true << bytes({0xA9}) << 1;
    QTest::newRow("absent, handshake") << false << bytes({0xAA}) << 1;
    QTest::newRow("absent, read") << false << bytes({0xA3}) << 6;
    QTest::newRow("absent, date") << false << bytes({0xA2}) << 7;
}

void TestSim::silentLine()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, frame);
    QFETCH(int, replyLength);

    bringUp();
    sim_set_present(present);
    QCOMPARE(sim_is_present(), present);
    QCOMPARE(exchange(frame, replyLength), QByteArray(replyLength, char(0xFF)));
    if (!present)
        QCOMPARE(received(), QByteArray());
    // The detector is still in step afterwards.
    sim_set_present(true);
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55}));
}

void TestSim::markerFault_data()
{
    QTest::addColumn<int>("times");
    QTest::addColumn<QList<bool>>("marked");

    QTest::newRow("off") << 0 << QList<bool> {true, true, true};
    QTest::newRow("once") << 1 << QList<bool> {false, true, true};
    QTest::newRow("twice") << 2 << QList<bool> {false, false, true};
    QTest::newRow("always") << -1 << QList<bool> {false, false, false};
}

void TestSim::markerFault()
{
    QFETCH(int, times);
    QFETCH(QList<bool>, marked);

    bringUp();
    sim_set_marker_fault(times);
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55})); // other replies keep their bytes
    for (int i = 0; i < marked.size(); ++i) {
        const QByteArray expected = bytes({marked.at(i) ? 0x53 : 0x00}) + startConfig;
        QCOMPARE(exchange(bytes({0xA3}), 6), expected);
    }
}

void TestSim::storeFault()
{
    bringUp();
    sim_set_store_fault(2, 9);
    sendFrame(bytes({0xA6, 0x00, 25, 4, 5, 6}));
    sendFrame(bytes({0xA9}));
    QCOMPARE(storedConfig(), bytes({0x00, 25, 9, 5, 6}));
    QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53, 0x00, 25, 9, 5, 6}));

    sim_set_store_fault(-1, 0);
    sendFrame(bytes({0xA6, 0x00, 25, 4, 5, 6}));
    sendFrame(bytes({0xA9}));
    QCOMPARE(storedConfig(), bytes({0x00, 25, 4, 5, 6}));
}

void TestSim::bitFlip_data()
{
    QTest::addColumn<bool>("towardsDetector");
    QTest::addColumn<int>("arms");
    QTest::addColumn<bool>("idleFirst");
    QTest::addColumn<QByteArray>("taken");
    QTest::addColumn<QByteArray>("reply");

    const QByteArray silent(6, char(0xFF));
    const QByteArray flippedMarker = bytes({0xD3}) + startConfig;
    QTest::newRow("towards: first command bit") << true << 1 << false << bytes({0x23}) << silent;
    QTest::newRow("towards: armed twice") << true << 2 << false << bytes({0x23}) << silent;
    QTest::newRow("towards: not on an idle line") << true << 1 << true << bytes({0x23}) << silent;
    QTest::newRow("from: first reply bit") << false << 1 << false << bytes({0xA3}) << flippedMarker;
    QTest::newRow("from: armed twice") << false << 2 << false << bytes({0xA3}) << flippedMarker;
}

void TestSim::bitFlip()
{
    QFETCH(bool, towardsDetector);
    QFETCH(int, arms);
    QFETCH(bool, idleFirst);
    QFETCH(QByteArray, taken);
    QFETCH(QByteArray, reply);

    bringUp();
    for (int i = 0; i < arms; ++i)
        sim_flip_next_bit(towardsDetector);
    if (idleFirst)
        idleLines();
    sendFrame(bytes({0xA3}));
    QCOMPARE(received(), taken);
    QCOMPARE(receiveFrame(6), reply);
    // One bit only: the next exchange is whole.
    QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53}) + startConfig);
    QCOMPARE(received(), bytes({0xA3}));
}

void TestSim::failingCalls_data()
{
    QTest::addColumn<int>("call");
    QTest::newRow("SetPin") << int(SIM_SET_PIN);
    QTest::newRow("ConfigureIO") << int(SIM_CONFIGURE_IO);
    QTest::newRow("ConfigureMCP2200") << int(SIM_CONFIGURE_MCP2200);
}

void TestSim::failingCalls()
{
    QFETCH(int, call);
    const SimCall failing = static_cast<SimCall>(call);

    InitMCP2200(vendorId, productId);
    QVERIFY(ConfigureIO(linkMask));
    QVERIFY(ClearPin(clockPin));
    sim_set_call_fails(failing, true);

    QCOMPARE(SetPin(clockPin), failing != SIM_SET_PIN);
    QCOMPARE(sim_pin_level(clockPin), failing == SIM_SET_PIN ? 0 : 1);
    QCOMPARE(ConfigureIO(0x0F), failing != SIM_CONFIGURE_IO);
    const unsigned int maskAfterIo = failing == SIM_CONFIGURE_IO ? 240u : 0x0Fu;
    QCOMPARE(sim_io_mask(), maskAfterIo);
    QCOMPARE(
        ConfigureMCP2200(0x33, 300, 0, 0, false, false, false), failing != SIM_CONFIGURE_MCP2200);
    QCOMPARE(sim_io_mask(), failing == SIM_CONFIGURE_MCP2200 ? maskAfterIo : 0x33u);
    QCOMPARE(sim_baud_rate(), failing == SIM_CONFIGURE_MCP2200 ? 9600u : 300u);

    sim_set_call_fails(failing, false);
    QVERIFY(ConfigureMCP2200(linkMask, 300, 0, 0, false, false, false));
    QVERIFY(ConfigureIO(linkMask));
    QVERIFY(SetPin(clockPin));
}

void TestSim::extraClockPeriodBetweenBytes()
{
    bringUp();
    const QByteArray written = bytes({0x07, 10, 1, 2, 3});
    sendFrame(bytes({0xA6}) + written, 4); // clock high for one extra period between bytes
    sendFrame(bytes({0xA9}));
    QCOMPARE(storedConfig(), written);
    sendFrame(bytes({0xA1, 27, 1, 31}), 4);
    QCOMPARE(storedDate().left(3), bytes({27, 1, 31}));
}

void TestSim::onlyEdgesClockBits()
{
    bringUp();
    // Repeated levels and data changes while the clock is high are not bits.
    for (int bit = 7; bit >= 0; --bit) {
        ClearPin(clockPin);
        ClearPin(clockPin);
        ((0xAA >> bit) & 1) ? SetPin(dataOutPin) : ClearPin(dataOutPin);
        SetPin(clockPin);
        SetPin(clockPin);
        ClearPin(dataOutPin);
        SetPin(dataOutPin);
    }
    idleLines();
    QCOMPARE(received(), bytes({0xAA}));
    QCOMPARE(receiveFrame(1), bytes({0x55}));
}

void TestSim::replyBitsChangeOnFallingEdges()
{
    bringUp();
    sendFrame(bytes({0xAA}));
    QList<int> levels;
    for (int bit = 0; bit < 8; ++bit) {
        levels << sim_pin_level(dataInPin);
        ClearPin(clockPin);
        levels << sim_pin_level(dataInPin);
        SetPin(clockPin);
    }
    // 0x55 = 01010101: each bit appears at its falling edge and holds through the rise.
    QCOMPARE(levels, (QList<int> {1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1}));
}

void TestSim::lastReplyBitHeldUntilNextFallingEdge()
{
    bringUp();
    sim_set_handshake_reply(0x54); // last bit 0
    sendFrame(bytes({0xAA}));
    QCOMPARE(receiveFrame(1), bytes({0x54}));
    QCOMPARE(sim_pin_level(dataInPin), 0);
    ClearPin(clockPin);
    QCOMPARE(sim_pin_level(dataInPin), 1);
}

void TestSim::directionChangeMakesAnEdge()
{
    bringUp();
    // With its latch low, pin 2 turned into an input rises (pulled up) and turned back into
    // an output falls: each round trip clocks one bit.
    ClearPin(clockPin);
    for (int bit = 7; bit >= 0; --bit) {
        ((0xAA >> bit) & 1) ? SetPin(dataOutPin) : ClearPin(dataOutPin);
        QVERIFY(ConfigureIO(linkMask | (1u << clockPin)));
        QCOMPARE(sim_pin_level(clockPin), 1);
        QVERIFY(ConfigureMCP2200(linkMask, 6000000, 0, 0, false, false, false));
        QCOMPARE(sim_pin_level(clockPin), 0);
    }
    QCOMPARE(received(), bytes({0xAA}));
    // Answering started on that last falling edge: first bit of 0x55.
    QCOMPARE(sim_pin_level(dataInPin), 0);
}

void TestSim::stalledClockDropsPartialByte()
{
    bringUp();
    sim_set_stall_limit(100);
    for (int i = 0; i < 3; ++i) {
        ClearPin(clockPin);
        SetPin(clockPin);
    }
    QThread::msleep(120);
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55}));
    QCOMPARE(received(), bytes({0xAA}));
}

void TestSim::stalledClockDropsPartialFrame()
{
    bringUp();
    sim_set_stall_limit(100);
    sendFrame(bytes({0xA6, 0x01, 5}));
    QThread::msleep(120);
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55}));
    QCOMPARE(received(), bytes({0xAA}));
    QCOMPARE(storedConfig(), startConfig);
}

void TestSim::pollingNeedsFullPhases_data()
{
    QTest::addColumn<unsigned int>("period");
    QTest::addColumn<unsigned int>("pinWrite");
    QTest::addColumn<unsigned int>("pinRead");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<bool>("right");

    // Microseconds. A phase longer than the look period always holds a look.
    QTest::newRow("ideal, back to back") << 0u << 0u << 0u << 0 << 0 << true;
    QTest::newRow("ideal, short low phases") << 0u << 0u << 0u << 60 << 3940 << true;
    QTest::newRow("polling, 2 ms phases") << 1000u << 0u << 0u << 2000 << 2000 << true;
    QTest::newRow("polling, just over a period") << 1000u << 0u << 0u << 1100 << 1100 << true;
    QTest::newRow("polling, short low phases") << 1000u << 0u << 0u << 60 << 3940 << false;
    QTest::newRow("polling, short high phases") << 1000u << 0u << 0u << 3940 << 60 << false;
    QTest::newRow("polling, back to back") << 1000u << 0u << 0u << 0 << 0 << false;
    QTest::newRow("slow bridge, 2 ms after each call")
        << 1000u << 1000u << 2000u << 2000 << 2000 << true;
}

// The fault of a late tick followed by a short one: the ideal detector takes it, a polling one
// turns it into wrong bytes, and phases of a full tick come through. A machine that stalls the
// test only lengthens phases, so the clock may stand still as long as it will (no stall limit);
// where short phases must fail, an attempt whose phases the machine stretched towards a period
// proves nothing and is made again.
void TestSim::pollingNeedsFullPhases()
{
    QFETCH(unsigned int, period);
    QFETCH(unsigned int, pinWrite);
    QFETCH(unsigned int, pinRead);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(bool, right);

    for (int attempt = 0; attempt < 5; ++attempt) {
        sim_reset();
        bringUp();
        sim_set_polling(period, 370);
        sim_set_call_duration(SIM_SET_PIN, pinWrite);
        sim_set_call_duration(SIM_CLEAR_PIN, pinWrite);
        sim_set_call_duration(SIM_READ_PIN, pinRead);
        sim_trace_enable(true);
        sendByteTimed(0xAA, low, high);
        const unsigned char reply = receiveByteTimed(low, high);
        // Each gap ends a phase (before a clock edge) or is a call's own time (after it).
        bool onTime = true;
        for (size_t i = 1; i < sim_trace_size(); ++i) {
            const SimTraceEntry entry = sim_trace_at(i);
            const bool edge = entry.arg == clockPin
                && (entry.call == SIM_SET_PIN || entry.call == SIM_CLEAR_PIN);
            const int phase = !edge ? 0 : entry.call == SIM_SET_PIN ? low : high;
            onTime = onTime
                && entry.nanoseconds - sim_trace_at(i - 1).nanoseconds
                    < std::uint64_t(phase) * 1000 + 500'000;
        }
        if (right || onTime) {
            QCOMPARE(received() == bytes({0xAA}) && reply == 0x55, right);
            return;
        }
    }
    QSKIP("the machine was too busy to keep the short phases short");
}

void TestSim::pollingSamplesDataAtTheLook_data()
{
    QTest::addColumn<unsigned int>("period");
    QTest::addColumn<QByteArray>("taken");
    QTest::newRow("ideal: at the edge") << 0u << bytes({0xAA});
    QTest::newRow("polling: at the next look") << 10000u << bytes({0x55});
}

// The data line flips right after each rising edge: an ideal detector has taken the bit by
// then, a polling one takes the flipped level at its next look. Each pair of calls must come
// before the look half a step later; an attempt in which the machine was too slow for that
// proves nothing and is made again.
void TestSim::pollingSamplesDataAtTheLook()
{
    QFETCH(unsigned int, period);
    QFETCH(QByteArray, taken);

    constexpr unsigned int step = 10000;
    for (int attempt = 0; attempt < 5; ++attempt) {
        sim_reset();
        bringUp();
        const std::uint64_t start = sim_clock_nanoseconds();
        sim_set_polling(period, midwayOffset(start, step));
        bool onTime = true;
        for (int k = 0; k < 16; ++k) {
            const bool level = (0xAA >> (7 - k / 2)) & 1;
            const std::uint64_t due = start + std::uint64_t(k) * step * 1000;
            sleepUntil(due);
            k % 2 == 0 ? ClearPin(clockPin) : SetPin(clockPin);
            level == (k % 2 == 0) ? SetPin(dataOutPin) : ClearPin(dataOutPin);
            onTime = onTime && sim_clock_nanoseconds() < due + step * 1000 / 2;
        }
        sleepUntil(start + 16ull * step * 1000);
        if (onTime) {
            QCOMPARE(received(), taken);
            return;
        }
    }
    QSKIP("the machine was too busy to keep a 10 ms schedule");
}

void TestSim::pollingFindsStepAfterIdleLine_data()
{
    QTest::addColumn<int>("idleMs");
    QTest::addColumn<unsigned int>("stallLimitMs");
    QTest::addColumn<bool>("inStep");
    QTest::newRow("idle past the resync time") << 120 << 100u << true;
    QTest::newRow("idle too short") << 10 << 100u << false;
    QTest::newRow("idle past a longer limit") << 120 << 200u << false;
    QTest::newRow("idle with no limit") << 120 << 0u << false;
}

// Three stray bits, then an idle line: the polling detector drops them as the ideal one does.
// Only the idle line may leave the clock still for long, and no longer than the row says: an
// attempt in which the machine held the test back longer than that proves nothing and is made
// again.
void TestSim::pollingFindsStepAfterIdleLine()
{
    QFETCH(int, idleMs);
    QFETCH(unsigned int, stallLimitMs);
    QFETCH(bool, inStep);

    constexpr std::uint64_t late = 40'000'000; // ns: far below every limit, far above 2 ms
    for (int attempt = 0; attempt < 5; ++attempt) {
        sim_reset();
        bringUp();
        sim_set_stall_limit(stallLimitMs);
        sim_set_polling(1000, 370);
        sim_trace_enable(true);
        for (int i = 0; i < 3; ++i) {
            ClearPin(clockPin);
            hold(2000);
            SetPin(clockPin);
            hold(2000);
        }
        const size_t idleFrom = sim_trace_size() - 1;
        hold(idleMs * 1000);
        sendByteTimed(0xAA, 2000, 2000);
        const unsigned char reply = receiveByteTimed(2000, 2000);
        bool onTime = true;
        for (size_t i = 1; i < sim_trace_size(); ++i) {
            const std::uint64_t gap = sim_trace_at(i).nanoseconds - sim_trace_at(i - 1).nanoseconds;
            onTime
                = onTime && gap < (i == idleFrom + 1 ? std::uint64_t(idleMs) * 1000000 : 0) + late;
        }
        if (onTime) {
            QCOMPARE(received() == bytes({0xAA}) && reply == 0x55, inStep);
            return;
        }
    }
    QSKIP("the machine was too busy to keep a 2 ms schedule");
}

void TestSim::slowCallsActInsideTheirTime_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<unsigned int>("duration");
    QTest::addColumn<unsigned int>("actsAfter");

    QTest::newRow("SetPin acts at its end") << int(SIM_SET_PIN) << 1000u << 1000u;
    QTest::newRow("ClearPin acts at its end") << int(SIM_CLEAR_PIN) << 1000u << 1000u;
    QTest::newRow("ReadPin samples halfway") << int(SIM_READ_PIN) << 2000u << 1000u;
    QTest::newRow("ConfigureIO acts at its end") << int(SIM_CONFIGURE_IO) << 1500u << 1500u;
}

void TestSim::slowCallsActInsideTheirTime()
{
    QFETCH(int, call);
    QFETCH(unsigned int, duration);
    QFETCH(unsigned int, actsAfter);
    const SimCall kind = static_cast<SimCall>(call);

    bringUp();
    ClearPin(dataOutPin);
    sim_set_call_duration(kind, duration);
    sim_trace_enable(true);
    const std::uint64_t start = sim_clock_nanoseconds();
    unsigned int value = 0;
    bool result = false;
    switch (kind) {
    case SIM_SET_PIN:
        result = SetPin(dataOutPin);
        break;
    case SIM_CLEAR_PIN:
        result = ClearPin(clockPin);
        break;
    case SIM_READ_PIN:
        result = ReadPin(dataInPin, &value);
        break;
    default:
        result = ConfigureIO(0x0F);
        break;
    }
    const std::uint64_t end = sim_clock_nanoseconds();
    QVERIFY(result);
    QCOMPARE(sim_trace_size(), size_t(1));
    const std::uint64_t acted = sim_trace_at(0).nanoseconds;
    QVERIFY(end - start >= std::uint64_t(duration) * 1000);
    QVERIFY(acted >= start + std::uint64_t(actsAfter) * 1000);
    QVERIFY(acted <= end);
}

void TestSim::trace_data()
{
    QTest::addColumn<TraceRun>("run");
    // The lines expected, each without its time stamp; in memory, the entries written as the
    // file's call lines.
    QTest::addColumn<QStringList>("lines");
    const QStringList calls {
        "InitMCP2200 1240 0 1",
        "IsConnected 0 0 1",
        "ConfigureMCP2200 240 0 1",
        "ConfigureIO 240 0 1",
        "SetPin 2 0 1",
        "ClearPin 3 0 1",
        "SetPin 4 0 0",
        "ReadPin 3 0 1",
        "ReadPin 4 1 1",
        "ReadPin 4 0 0",
        "fnSetBaudRate 300 0 1",
    };
    QTest::newRow("calls in memory, in order") << TraceRun::CallsInMemory << calls;
    QTest::newRow("file: call lines") << TraceRun::CallsInFile << calls;
    QTest::newRow("file: frame and reply lines")
        << TraceRun::ExchangesInFile
        << QStringList {"frame AA", "reply 55", "frame A3", "reply 53 01 14 03 07 0F",
               "frame A6 05 2D 0A 0B 0C", "frame A9"};
    QTest::newRow("file: a new one after a reset")
        << TraceRun::CallsThenResetInFile << QStringList {"IsConnected 0 0 0"};
    QTest::newRow("file: none without the variable")
        << TraceRun::CallsWithoutFile << QStringList {};
}

void TestSim::trace()
{
    QFETCH(TraceRun, run);
    QFETCH(QStringList, lines);
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = QDir::toNativeSeparators(folder.filePath("trace.txt"));
    // The file is read from the variable at each reset, and closed by the last one.
    const auto unname = qScopeGuard([] {
        qunsetenv(traceVariable);
        sim_reset();
    });
    if (run == TraceRun::CallsInMemory)
        qunsetenv(traceVariable);
    else
        qputenv(traceVariable, QFile::encodeName(path));
    sim_reset();

    switch (run) {
    case TraceRun::CallsInMemory: {
        sim_trace_enable(true);
        makeTracedCalls();
        QStringList written;
        unsigned long long previous = 0;
        for (size_t i = 0; i < sim_trace_size(); ++i) {
            const SimTraceEntry entry = sim_trace_at(i);
            written << callLine(entry);
            QVERIFY(entry.nanoseconds >= previous);
            previous = entry.nanoseconds;
        }
        QCOMPARE(written, lines);
        QCOMPARE(sim_trace_at(sim_trace_size()).nanoseconds, 0ull);
        QVERIFY(!QFile::exists(path));
        return;
    }
    case TraceRun::CallsInFile:
        makeTracedCalls();
        break;
    case TraceRun::ExchangesInFile:
        bringUp();
        QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55}));
        QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53}) + startConfig);
        sendFrame(bytes({0xA6, 0x05, 45, 10, 11, 12}));
        sendFrame(bytes({0xA9}));
        break;
    case TraceRun::CallsThenResetInFile:
        makeTracedCalls();
        sim_reset();
        IsConnected();
        break;
    case TraceRun::CallsWithoutFile: {
        // The file named until now gets the calls; once the variable is gone, a reset closes
        // it and no later call reaches it.
        makeTracedCalls();
        qunsetenv(traceVariable);
        sim_reset();
        const qint64 named = QFileInfo(path).size();
        QVERIFY(named > 0);
        makeTracedCalls();
        QCOMPARE(QFileInfo(path).size(), named);
        return;
    }
    }

    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    const TraceLines read = traceLines(file.readAll());
    QVERIFY2(read.fault.isEmpty(), qPrintable(read.fault));
    QStringList compared = read.lines;
    if (run == TraceRun::ExchangesInFile)
        compared = compared.filter(QRegularExpression("^(frame|reply) "));
    QCOMPARE(compared, lines);
}

void TestSim::traceOnlyWhileEnabled()
{
    bringUp();
    QCOMPARE(sim_trace_size(), size_t(0));
    sim_trace_enable(true);
    SetPin(clockPin);
    QThread::msleep(5);
    SetPin(clockPin);
    sim_trace_enable(false);
    SetPin(clockPin);
    QCOMPARE(sim_trace_size(), size_t(2));
    QVERIFY(sim_trace_at(1).nanoseconds - sim_trace_at(0).nanoseconds >= 5'000'000ull);
    sim_trace_clear();
    QCOMPARE(sim_trace_size(), size_t(0));
}

void TestSim::resetRestoresStartState()
{
    bringUp();
    sim_trace_enable(true);
    storeConfig(bytes({0, 0, 0, 0, 0}));
    sim_set_present(false);
    sim_set_handshake_reply(0);
    sim_set_marker_fault(-1);
    sim_set_call_fails(SIM_SET_PIN, true);
    sendFrame(bytes({0xA6, 1, 2}));

    sim_reset();
    QCOMPARE(sim_trace_size(), size_t(0));
    QVERIFY(!IsConnected());
    QCOMPARE(sim_trace_size(), size_t(0));
    QCOMPARE(sim_io_mask(), 0xFFu);
    QVERIFY(sim_is_present());
    QCOMPARE(storedConfig(), startConfig);
    QCOMPARE(received(), QByteArray());
    bringUp();
    QCOMPARE(sim_pin_level(clockPin), 1);
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55}));
    QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53}) + startConfig);
}

void TestSim::loadingByNameSharesTheDevice()
{
#if defined(_WIN32)
    QSKIP("loading by name is checked through the link's loader on Windows");
#else
    // The configurator opens the library by its bare name; the copy this test links to must
    // be the one it gets, or the two would drive different devices.
    void *handle = dlopen("libSimpleIO-UM.so", RTLD_NOW);
    QVERIFY2(handle != nullptr, dlerror());
    using InitFn = void (*)(unsigned int, unsigned int);
    using IsConnectedFn = bool (*)();
    auto init = reinterpret_cast<InitFn>(dlsym(handle, "InitMCP2200"));
    auto isConnected = reinterpret_cast<IsConnectedFn>(dlsym(handle, "IsConnected"));
    QVERIFY(init != nullptr && isConnected != nullptr);
    QVERIFY(!isConnected());
    init(vendorId, productId);
    QVERIFY(IsConnected());
    QVERIFY(dlsym(handle, "_ZN3sim9SimDevice8instanceEv") == nullptr); // internals stay hidden
    dlclose(handle);
#endif
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
