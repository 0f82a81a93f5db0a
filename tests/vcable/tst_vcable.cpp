// The virtual cable's chip over a socket pair that stands in for /dev/uhid: the test plays the
// kernel, writing UHID_OUTPUT events and reading what the cable sends back.
#include "Cable.h"
#include "TraceLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/uhid.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t ms = 1'000'000;
constexpr std::uint64_t origin = 1000 * ms;
constexpr std::uint8_t clockBit = 0x04;
constexpr std::uint8_t dataBit = 0x08;

// The kernel's end of the descriptor, with its own clock.
class Kernel
{
public:
    Kernel(bool polling, const QString &tracePath)
    {
        QVERIFY(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0, ends) == 0);
        QVERIFY(trace.open(tracePath.toStdString(), origin));
        vcable::Cable::Options options;
        options.pollingDetector = polling;
        options.sysfsRoot = "/nonexistent";
        cable = std::make_unique<vcable::Cable>(ends[1], trace, options, origin);
        QVERIFY(cable->plug(now));
        collect();
        QCOMPARE(got, QStringList {"create"});
        got.clear();
    }
    ~Kernel()
    {
        cable.reset();
        ::close(ends[0]);
        ::close(ends[1]);
    }

    // Sends bytes as hidraw hands them over: after the report number 0, unless bare.
    void send(const QByteArray &bytes, bool bare = false)
    {
        uhid_event event {};
        event.type = UHID_OUTPUT;
        const QByteArray data = bare ? bytes : QByteArray(1, '\0') + bytes.leftJustified(16, 0);
        event.u.output.size = static_cast<std::uint16_t>(data.size());
        std::memcpy(event.u.output.data, data.constData(), static_cast<std::size_t>(data.size()));
        QVERIFY(::write(ends[0], &event, sizeof event) == sizeof event);
        QVERIFY(cable->readEvents(now));
    }
    void getReport(std::uint32_t id)
    {
        uhid_event event {};
        event.type = UHID_GET_REPORT;
        event.u.get_report.id = id;
        event.u.get_report.rtype = UHID_INPUT_REPORT;
        QVERIFY(::write(ends[0], &event, sizeof event) == sizeof event);
        QVERIFY(cable->readEvents(now));
    }
    void setClear(std::uint8_t set, std::uint8_t clear)
    {
        QByteArray report(16, 0);
        report[0] = char(0x08);
        report[11] = char(set);
        report[12] = char(clear);
        send(report);
    }
    // Runs the cable for that long, a quarter of a frame at a time.
    void wait(std::uint64_t nanoseconds)
    {
        for (const std::uint64_t end = now + nanoseconds; now < end;) {
            now += ms / 4;
            cable->service(now);
            collect();
        }
    }
    // What came back: input reports in hex without their trailing zeros, "@ms " before each
    // when timed; the other events by name.
    void collect()
    {
        uhid_event event {};
        while (::read(ends[0], &event, sizeof event) == sizeof event) {
            if (event.type == UHID_CREATE2) {
                QCOMPARE(QByteArray(reinterpret_cast<const char *>(event.u.create2.name)),
                    QByteArray("Microchip Technology Inc. MCP2200 USB Serial Port Emulator"));
                QCOMPARE(event.u.create2.bus, std::uint16_t(BUS_USB));
                QCOMPARE(event.u.create2.vendor, 0x04D8u);
                QCOMPARE(event.u.create2.product, 0x00DFu);
                uhid_event start {};
                start.type = UHID_START;
                QVERIFY(::write(ends[0], &start, sizeof start) == sizeof start);
                QVERIFY(cable->readEvents(now));
                got << "create";
            } else if (event.type == UHID_DESTROY) {
                got << "destroy";
            } else if (event.type == UHID_GET_REPORT_REPLY) {
                got << QString("get-report %1 error %2")
                           .arg(event.u.get_report_reply.id)
                           .arg(event.u.get_report_reply.err);
            } else if (event.type == UHID_INPUT2) {
                QByteArray data(
                    reinterpret_cast<const char *>(event.u.input2.data), event.u.input2.size);
                while (data.endsWith('\0'))
                    data.chop(1);
                const QString at = timed ? QString("@%1 ").arg((now - origin) / ms) : QString();
                got << at + data.toHex(' ').toUpper();
                lastInput = QByteArray(reinterpret_cast<const char *>(event.u.input2.data), 16);
            }
        }
    }
    // Clocks a command byte out and `replyLength` bytes in, as the link does: the clock falls
    // every 4 ms, the data bit follows the fall, a reply bit is read after the rise. The clock
    // stands still high for `stallMs` after the first bit.
    void frame(std::uint8_t command, int replyLength, int stallMs = 0)
    {
        QByteArray reply;
        for (int index = 0; index < 8; ++index) {
            const bool bit = ((command << index) & 0x80) != 0;
            setClear(0, clockBit);
            wait(ms);
            setClear(bit ? dataBit : 0, bit ? 0 : dataBit);
            wait(ms);
            setClear(clockBit, 0);
            wait((index == 0 ? stallMs + 2 : 2) * ms);
        }
        for (int byte = 0; byte < replyLength; ++byte) {
            std::uint8_t value = 0;
            for (int index = 0; index < 8; ++index) {
                setClear(0, clockBit);
                wait(ms);
                setClear(clockBit, 0);
                const int before = got.size();
                send(QByteArray(1, char(0x80)));
                wait(3 * ms);
                QCOMPARE(got.size(), before + 1);
                got.removeLast();
                value = std::uint8_t(value << 1 | ((lastInput[10] >> 4) & 1));
            }
            reply += char(value);
        }
        got << "frame " + reply.toHex(' ').toUpper();
    }

    std::uint64_t now = origin + ms / 10;
    bool timed = false;
    QStringList got;
    std::unique_ptr<vcable::Cable> cable;

private:
    int ends[2] = {-1, -1};
    vcable::TraceLog trace;
    QByteArray lastInput;
};

} // namespace

class TestVcable : public QObject
{
    Q_OBJECT

private slots:
    void exchange_data();
    void exchange();
};

// Each step: "out HEX" (a report through hidraw), "bare HEX" (as the kernel's driver sends it),
// "set HEX" / "clear HEX" (SET_CLEAR_OUTPUTS), "wait MS", "frame HEX N [STALL]" (a detector
// frame and its reply through the pins, the clock standing still STALL ms after the first bit),
// "cmd TEXT" (a control command), "get ID" (a GET_REPORT request). "summary" is the trace's summary
// after the steps, when given.
void TestVcable::exchange_data()
{
    QTest::addColumn<bool>("polling");
    QTest::addColumn<bool>("timed");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("summary");

    const QString configure = "out 10 00 00 00 F0 00 0C 00 00 01";
    const QString factory = "80 00 00 00 FF 00 00 00 04 E1 FF";
    const QString configured = "80 00 00 00 F0 00 0C 00 00 01 ";
    QTest::newRow("READ_ALL, factory settings")
        << false << false << QStringList {"out 80"} << QStringList {factory} << QString();
    QTest::newRow("the driver's bare report and hidraw's")
        << false << false << QStringList {"bare 80", "out 80"} << QStringList {factory, factory}
        << QString();
    QTest::newRow("CONFIGURE stores, clears every output")
        << false << false << QStringList {configure, "out 80", "wait 150"}
        << QStringList {configured + "F0"}
        << "configures=1 clock-drops-outside-frames=1 data-drops-outside-frames=1";
    QTest::newRow("SET_CLEAR moves outputs only")
        << false << false << QStringList {configure, "set 1C", "out 80", "clear 0C", "out 80"}
        << QStringList {configured + "FC", configured + "F0"} << QString();
    QTest::newRow("power-up levels from the stored defaults")
        << false << false
        << QStringList {configure, "out 80", "wait 5", "cmd unplug", "cmd plug", "out 80"}
        << QStringList {configured + "F0", "destroy", "create", configured + "FC"} << QString();
    QTest::newRow("EEPROM written, read, named by READ_ALL")
        << false << false << QStringList {"out 40 05 A5", "out 20 05", "out 80"}
        << QStringList {"20 05 00 A5", "80 05 00 A5 FF 00 00 00 04 E1 FF"} << QString();
    QTest::newRow("no answer to other commands")
        << false << false << QStringList {"out 01", "out FF", "set 00", "out 80"}
        << QStringList {factory} << QString();
    QTest::newRow("one report a frame, in order")
        << false << true << QStringList {"out 80", "set 00", "out 80"}
        << QStringList {"@2 " + factory, "@4 " + factory} << QString();
    QTest::newRow("late") << false << true << QStringList {"cmd late 5", "out 80"}
                          << QStringList {"@7 " + factory} << QString();
    QTest::newRow("silent-after, answer")
        << false << false
        << QStringList {"cmd silent-after 1", "out 80", "out 80", "wait 5", "cmd answer", "out 80"}
        << QStringList {factory, factory} << QString();
    QTest::newRow("silent drops what it had")
        << false << false << QStringList {"out 80", "cmd silent", "wait 5", "out 80"}
        << QStringList {} << QString();
    const QStringList readConfig {configure, "set 0C", "wait 150", "frame A3 6", "wait 150"};
    const QString oneRead = "configures=1 clock-drops-outside-frames=1 "
                            "data-drops-outside-frames=1 median-bit-period-us=4000 frames=1";
    QTest::newRow("read-config frame, ideal detector")
        << false << false << readConfig << QStringList {"frame 53 01 14 03 07 0F"} << oneRead;
    QTest::newRow("read-config frame, polling detector")
        << true << false << readConfig << QStringList {"frame 53 01 14 03 07 0F"} << oneRead;
    // The rise of "set 0C" is the start of a frame too: it is let go stale before the next.
    QTest::newRow("a clock standing still in a frame ends it")
        << true << false << QStringList {configure, "set 0C", "wait 150", "frame A3 6 300"}
        << QStringList {"frame FF FF FF FF FF FF"} << QString();
    QTest::newRow("stall limit raised: the frame stands")
        << true << false
        << QStringList {"cmd stall-limit 500", configure, "set 0C", "wait 600", "frame A3 6 300",
               "wait 150"}
        << QStringList {"frame 53 01 14 03 07 0F"} << "frames=1";
    QTest::newRow("handshake frame, wrong reply")
        << false << false
        << QStringList {configure, "set 0C", "wait 150", "cmd detector handshake 5A", "frame AA 1"}
        << QStringList {"frame 5A"} << "frames=1";
    QTest::newRow("detector absent: GP4 reads 1")
        << false << false
        << QStringList {configure, "set 0C", "wait 150", "cmd detector absent", "frame AA 1"}
        << QStringList {"frame FF"} << "frames=0";
    QTest::newRow("a data fall between frames")
        << false << false
        << QStringList {configure, "set 0C", "wait 150", "cmd mark idle", "clear 08", "wait 150"}
        << QStringList {} << "clock-drops-outside-frames=0 data-drops-outside-frames=1";
    QTest::newRow("no feature or input report by request")
        << false << false << QStringList {"get 7"} << QStringList {"get-report 7 error 5"}
        << QString();
}

void TestVcable::exchange()
{
    QFETCH(bool, polling);
    QFETCH(bool, timed);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QFETCH(QString, summary);

    QTemporaryDir folder;
    const QString tracePath = folder.filePath("trace.txt");
    Kernel kernel(polling, tracePath);
    kernel.timed = timed;
    for (const QString &step : steps) {
        const QString verb = step.section(' ', 0, 0);
        const QString rest = step.section(' ', 1);
        const QByteArray bytes = QByteArray::fromHex(rest.toLatin1());
        if (verb == "out" || verb == "bare")
            kernel.send(bytes, verb == "bare");
        else if (verb == "set" || verb == "clear")
            kernel.setClear(verb == "set" ? bytes[0] : 0, verb == "clear" ? bytes[0] : 0);
        else if (verb == "wait")
            kernel.wait(rest.toULongLong() * ms);
        else if (verb == "frame")
            kernel.frame(std::uint8_t(rest.section(' ', 0, 0).toUInt(nullptr, 16)),
                rest.section(' ', 1, 1).toInt(), rest.section(' ', 2, 2).toInt());
        else if (verb == "cmd")
            QVERIFY(kernel.cable->command(rest.toStdString(), kernel.now));
        else if (verb == "get")
            kernel.getReport(rest.toUInt());
    }
    kernel.wait(10 * ms);
    QCOMPARE(kernel.got, expected);
    if (summary.isEmpty())
        return;
    kernel.cable->command("summary", kernel.now);
    QFile file(tracePath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QByteArray last;
    for (const QByteArray &text : lines)
        if (text.contains(" summary "))
            last = text;
    QVERIFY2(last.contains(summary.toLatin1()), last.constData());
}

QTEST_GUILESS_MAIN(TestVcable)
#include "tst_vcable.moc"
