#include "SimControl.h"
#include "SimpleIO.h"

#include <QByteArray>
#include <QList>
#include <QTest>
#include <QThread>

#include <ctime>

namespace {

constexpr unsigned int kVendor = 0x04D8;
constexpr unsigned int kProduct = 0x00DF;
constexpr unsigned int kClock = 2;
constexpr unsigned int kDataOut = 3;
constexpr unsigned int kDataIn = 4;
constexpr unsigned char kLinkMask = 240;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(static_cast<char>(v));
    return result;
}

void bringUp()
{
    InitMCP2200(kVendor, kProduct);
    ConfigureMCP2200(kLinkMask, 6000000, 0, 0, false, false, false);
    ConfigureIO(kLinkMask);
    SetPin(kClock);
    SetPin(kDataOut);
}

// PC to detector: clock low, data bit, clock high; most significant bit first.
void sendByte(unsigned char byte)
{
    for (int bit = 7; bit >= 0; --bit) {
        ClearPin(kClock);
        if ((byte >> bit) & 1)
            SetPin(kDataOut);
        else
            ClearPin(kDataOut);
        SetPin(kClock);
    }
}

// Detector to PC: clock low, clock high, then sample the data-in line.
unsigned char receiveByte()
{
    unsigned char byte = 0;
    for (int bit = 7; bit >= 0; --bit) {
        ClearPin(kClock);
        SetPin(kClock);
        unsigned int value = 0;
        ReadPin(kDataIn, &value);
        byte = static_cast<unsigned char>((byte << 1) | (value != 0 ? 1 : 0));
    }
    return byte;
}

void idleLines()
{
    SetPin(kClock);
    SetPin(kDataOut);
}

void sendFrame(const QByteArray &frame, int gapMs = 0)
{
    for (int i = 0; i < frame.size(); ++i) {
        if (i > 0 && gapMs > 0)
            QThread::msleep(static_cast<unsigned long>(gapMs));
        sendByte(static_cast<unsigned char>(frame.at(i)));
    }
    idleLines();
}

QByteArray receiveFrame(int length)
{
    QByteArray reply;
    for (int i = 0; i < length; ++i)
        reply.append(static_cast<char>(receiveByte()));
    idleLines();
    return reply;
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

} // namespace

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
    void readConfiguration();
};

void TestSim::callsFailWithoutOpenBridge_data()
{
    QTest::addColumn<bool>("initialise");
    QTest::addColumn<unsigned int>("vendor");
    QTest::addColumn<unsigned int>("product");
    QTest::newRow("never initialised") << false << 0u << 0u;
    QTest::newRow("wrong vendor") << true << 0x04D9u << kProduct;
    QTest::newRow("wrong product") << true << kVendor << 0x00DEu;
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
    QVERIFY(!SetPin(kClock));
    QVERIFY(!ClearPin(kClock));
    QVERIFY(!ReadPin(kDataIn, &value));
    QCOMPARE(value, 7u);
    QVERIFY(!fnSetBaudRate(300));
    QCOMPARE(sim_io_mask(), 0xFFu);
    QCOMPARE(sim_baud_rate(), 9600u);
}

void TestSim::chipIdsOpenTheBridge()
{
    InitMCP2200(kVendor, kProduct);
    QVERIFY(IsConnected());
    QCOMPARE(sim_io_mask(), 0xFFu); // opening does not change the directions
    InitMCP2200(0x1234, kProduct);
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

    InitMCP2200(kVendor, kProduct);
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
    QVERIFY(!ReadPin(kDataIn, nullptr));
    QVERIFY(!ReadPin(8, &value));
    QCOMPARE(value, 5u);
}

void TestSim::undrivenInputsReadHigh()
{
    InitMCP2200(kVendor, kProduct);
    for (unsigned int pin = 0; pin < 8; ++pin) {
        unsigned int value = 0;
        QVERIFY(ReadPin(pin, &value));
        QCOMPARE(value, 1u);
    }
}

void TestSim::latchSurvivesDirectionChange()
{
    InitMCP2200(kVendor, kProduct);
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
    InitMCP2200(kVendor, kProduct);
    QVERIFY(fnSetBaudRate(300));
    QCOMPARE(sim_baud_rate(), 300u);
    QVERIFY(!fnSetBaudRate(0));
    QVERIFY(!fnSetBaudRate(-9600));
    QCOMPARE(sim_baud_rate(), 300u);
    QVERIFY(ConfigureMCP2200(kLinkMask, 6000000, 0, 0, false, false, false));
    QCOMPARE(sim_baud_rate(), 6000000u);
    QCOMPARE(sim_io_mask(), static_cast<unsigned int>(kLinkMask));
}

void TestSim::handshake()
{
    bringUp();
    QCOMPARE(exchange(bytes({0xAA}), 1), bytes({0x55}));
    QCOMPARE(received(), bytes({0xAA}));
    QCOMPARE(sim_pin_level(kDataIn), 1);
}

void TestSim::readConfiguration()
{
    bringUp();
    QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53}) + startConfig);
    const QByteArray other = bytes({0x0E, 45, 0, 15, 9});
    storeConfig(other);
    QCOMPARE(exchange(bytes({0xA3}), 6), bytes({0x53}) + other);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
