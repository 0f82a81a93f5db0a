// The clocked line as the simulated bridge sees it: bit order, edges, pauses, frame lengths.
#include "ConfigForm.h"
#include "LineTrace.h"
#include "LinkHarness.h"
#include "MessageBoxAnswerer.h"
#include "SimControl.h"

#include <QDate>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

// A late tick lengthens its own phase and no tick comes early, so a span of n ticks lasts at
// least n ticks.
constexpr double tick = 2.0;

QList<int> bitsOf(std::initializer_list<int> bytes)
{
    QList<int> bits;
    for (int byte : bytes) {
        for (int bit = 7; bit >= 0; --bit)
            bits << ((byte >> bit) & 1);
    }
    return bits;
}

int countCalls(const LineTrace &trace, SimCall call, unsigned long arg, int from, int to)
{
    int n = 0;
    for (int i = from; i < to; ++i) {
        const SimTraceEntry &entry = trace.calls().at(i);
        n += entry.call == call && entry.arg == arg ? 1 : 0;
    }
    return n;
}

} // namespace

class TestLinkLine : public QObject
{
    Q_OBJECT

private slots:
    void handshakeOnTheLine();
    void writeFrameOnTheLine();
    void idleLineReadsAllOnes();
    void replyPausesBetweenBytes();
    void genericReadWaitsWithoutEvents();
    void genericSendThenRead();
    void dateFrame();
};

void TestLinkLine::handshakeOnTheLine()
{
    LinkHarness harness;
    harness.clearLogs();
    LinkHarness::startTrace();
    harness.link().sendParamAA();
    QVERIFY(harness.waitForEnd());

    QCOMPARE(harness.bitLog(), QString("10101010|\n01010101||\n"));
    const LineTrace trace = LineTrace::capture();
    const QList<LineTrace::Edge> edges = trace.clockEdges();
    QCOMPARE(edges.size(), 32);
    // The data bit is put on the line right after each falling edge and held past the rise.
    const QList<int> sent = bitsOf({0xAA});
    for (int i = 0; i < 8; ++i) {
        QVERIFY(!edges.at(2 * i).rising);
        const SimTraceEntry &next = trace.calls().at(edges.at(2 * i).call + 1);
        QCOMPARE(next.arg, 3ul);
        QCOMPARE(next.call == SIM_SET_PIN ? 1 : 0, sent.at(i));
        QCOMPARE(edges.at(2 * i + 1).dataOut ? 1 : 0, sent.at(i));
    }
    QCOMPARE(trace.bitsRead(), bitsOf({0x55}));

    // 16 ticks of bits, then one closing tick; the reception starts after the 4 ms end wait.
    const int firstFall = edges.first().call;
    const int close = trace.find(SIM_SET_PIN, 2, edges.at(15).call + 1);
    QVERIFY(trace.millisecondsBetween(firstFall, close) >= 16 * tick);
    QVERIFY(trace.millisecondsBetween(edges.at(15).call, close) >= tick);
    QVERIFY(trace.millisecondsBetween(close, edges.at(16).call) >= 4 + tick);
    QCOMPARE(trace.count(SIM_READ_PIN, 4), 8);
    QCOMPARE(sim_pin_level(2), 1);
    QCOMPARE(sim_pin_level(3), 1);
}

void TestLinkLine::writeFrameOnTheLine()
{
    MessageBoxAnswerer answerer;
    LinkHarness harness;
    harness.settings = {1, 2, 3, 25, 0x08};
    harness.clearLogs();
    LinkHarness::startTrace();
    harness.link().sendParamA6();
    QVERIFY(harness.waitForEnd());

    const QStringList frames = harness.bitLog().split('\n');
    QCOMPARE(frames.at(0), QString("10100110|00001000|00011001|00000001|00000010|00000011||"));
    QCOMPARE(frames.at(1), QString("10101001|"));
    QCOMPARE(frames.at(2), QString("10100011|"));

    const LineTrace trace = LineTrace::capture();
    const QList<LineTrace::Edge> edges = trace.clockEdges();
    QCOMPARE(
        trace.bitsAtRisingEdges().mid(0, 56), bitsOf({0xA6, 0x08, 0x19, 0x01, 0x02, 0x03, 0xA9}));
    for (int byte = 0; byte < 5; ++byte) {
        const LineTrace::Edge &lastRise = edges.at(16 * byte + 15);
        const LineTrace::Edge &nextFall = edges.at(16 * byte + 16);
        QVERIFY(lastRise.rising && !nextFall.rising);
        // One extra clock period with the clock high: its second tick raises the clock again.
        QCOMPARE(countCalls(trace, SIM_SET_PIN, 2, lastRise.call + 1, nextFall.call), 1);
        QVERIFY(trace.millisecondsBetween(lastRise.call, nextFall.call) >= 3 * tick);
        const LineTrace::Edge &fallInByte = edges.at(16 * byte + 2);
        QCOMPARE(
            countCalls(trace, SIM_SET_PIN, 2, edges.at(16 * byte + 1).call + 1, fallInByte.call),
            0);
    }
    // 6 x 16 ticks of bits, 5 x 2 gap ticks and the closing tick: 107 ticks.
    const int firstFall = edges.first().call;
    const int close = trace.find(SIM_SET_PIN, 2, edges.at(95).call + 1);
    QCOMPARE(countCalls(trace, SIM_SET_PIN, 2, firstFall, close), 48 + 5);
    QCOMPARE(countCalls(trace, SIM_CLEAR_PIN, 2, firstFall, close), 48);
    QVERIFY(trace.millisecondsBetween(firstFall, close) >= 106 * tick);

    unsigned char stored[5];
    sim_get_config(stored);
    QCOMPARE(QByteArray(reinterpret_cast<char *>(stored), 5), QByteArray("\x08\x19\x01\x02\x03"));
    QCOMPARE(answerer.texts(), QStringList {"Конфигурация записана успешно"});
}

void TestLinkLine::idleLineReadsAllOnes()
{
    MessageBoxAnswerer answerer(QMessageBox::No);
    LinkHarness harness;
    sim_set_present(false);
    harness.clearLogs();
    harness.link().sendParamAA();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(harness.bitLog(), QString("10101010|\n11111111||\n"));

    harness.clearLogs();
    harness.link().sendParamA3();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(harness.bitLog(), "10100011|\n" + QString("11111111|").repeated(6) + "|\n");
    QCOMPARE(answerer.texts(), QStringList {"Ошибка чтения конфигурации \n Повторить?"});
    QVERIFY(!harness.events.join(' ').contains("getConfig"));
}

void TestLinkLine::replyPausesBetweenBytes()
{
    LinkHarness harness;
    LinkHarness::startTrace();
    harness.link().sendParamA3();
    QVERIFY(harness.waitForEnd());

    const LineTrace trace = LineTrace::capture();
    QCOMPARE(trace.count(SIM_READ_PIN, 4), 48);
    QCOMPARE(trace.bitsRead(), bitsOf({0x53, 0x01, 20, 3, 7, 15}));
    QList<int> reads;
    for (int i = 0; i < trace.calls().size(); ++i) {
        if (trace.calls().at(i).call == SIM_READ_PIN)
            reads << i;
    }
    // After every byte, the last one included, the clock stays high for at least 160 ms.
    for (int byte = 0; byte < 6; ++byte) {
        const int lastRead = reads.at(8 * byte + 7);
        const int next = byte < 5 ? trace.find(SIM_CLEAR_PIN, 2, lastRead)
                                  : trace.find(SIM_SET_PIN, 2, lastRead);
        QVERIFY(next > lastRead);
        QVERIFY2(
            trace.millisecondsBetween(lastRead, next) >= 160, qPrintable(QString::number(byte)));
        if (byte < 5)
            QCOMPARE(countCalls(trace, SIM_SET_PIN, 2, lastRead, next), 0);
    }
}

void TestLinkLine::genericReadWaitsWithoutEvents()
{
    MessageBoxAnswerer answerer(QMessageBox::No);
    LinkHarness harness;
    harness.clearLogs();
    bool eventHandled = false;
    QTimer::singleShot(0, &harness.link(), [&] { eventHandled = true; });
    QElapsedTimer clock;
    clock.start();
    harness.link().readParam();
    QVERIFY(clock.elapsed() >= 4);
    QVERIFY(!eventHandled);
    QVERIFY(!harness.link().form->read->isEnabled());
    QVERIFY(harness.waitForEnd());
    QVERIFY(eventHandled);
    // Nothing was asked of the detector, so the line stayed idle.
    QCOMPARE(harness.bitLog(), QString("11111111|").repeated(6) + "|\n");
    QCOMPARE(answerer.boxes().size(), 1);
}

void TestLinkLine::genericSendThenRead()
{
    MessageBoxAnswerer answerer(QMessageBox::No);
    LinkHarness harness;
    harness.clearLogs();
    LinkHarness::startTrace();
    harness.link().sendParam();
    QVERIFY(!harness.link().form->send->isEnabled());
    QVERIFY(harness.waitForEnd());

    const QString bits = harness.bitLog();
    QVERIFY2(bits.startsWith("10100011|00000000|00000000|\n\n--------------\n"), qPrintable(bits));
    const QRegularExpression reply("--------------\n([01]{8}\\|){6}\\|\n$");
    QVERIFY2(reply.match(bits).hasMatch(), qPrintable(bits));
    const LineTrace trace = LineTrace::capture();
    QCOMPARE(trace.count(SIM_READ_PIN, 4), 48);
    // No gap between the three bytes: 24 bits on 24 rising edges, then the reception.
    QCOMPARE(trace.bitsAtRisingEdges().mid(0, 24), bitsOf({0xA3, 0x00, 0x00}));
    const QList<LineTrace::Edge> edges = trace.clockEdges();
    QVERIFY(trace.millisecondsBetween(edges.at(47).call, edges.at(48).call) >= 4);
    QVERIFY(harness.link().form->send->isEnabled());
    QVERIFY(harness.link().form->read->isEnabled());
}

void TestLinkLine::dateFrame()
{
    LinkHarness harness;
    harness.clearLogs();
    const QDate today = QDate::currentDate();
    harness.link().sendParamA1();
    QVERIFY(harness.waitForEnd());
    QVERIFY(QRegularExpression("^([01]{8}\\|){4}\\|\n$").match(harness.bitLog()).hasMatch());
    unsigned char date[7];
    sim_get_date(date);
    QCOMPARE(int(date[0]), today.year() % 100);
    QCOMPARE(int(date[1]), today.month());
    QCOMPARE(int(date[2]), today.day());
    QCOMPARE(
        harness.eventsWithoutProgress(), (QStringList {"setButton(false)", "setButton(true)"}));
}

QTEST_MAIN(TestLinkLine)
#include "tst_linkline.moc"
