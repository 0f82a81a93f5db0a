// The line keeps its timing against a detector that polls its clock input, behind a slow
// bridge, while the GUI thread is stalled: every exchange comes out right and no clock phase,
// data set-up or sample comes sooner than one tick after the edge before it.
#include "CheckedExchanges.h"
#include "ConfigForm.h"
#include "GuiStalls.h"
#include "LineSetUp.h"
#include "LineTiming.h"
#include "LineTrace.h"
#include "LinkHarness.h"
#include "SimControl.h"

#include <QDate>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

#include <memory>

Q_DECLARE_METATYPE(CheckedExchanges::Kind)
Q_DECLARE_METATYPE(LineSetUp)

namespace {

constexpr double tick = 2.0; // milliseconds

// Clock edges of one exchange: 16 per byte clocked either way.
int edgesOf(CheckedExchanges::Kind kind)
{
    switch (kind) {
    case CheckedExchanges::Kind::Handshake:
        return 16 * (1 + 1);
    case CheckedExchanges::Kind::Read:
        return 16 * (1 + 6);
    case CheckedExchanges::Kind::Write:
        return 16 * (6 + 1 + 1 + 6);
    }
    return 0;
}

QString figure(double milliseconds)
{
    return QString::number(milliseconds, 'f', 3) + " ms";
}

// Phases and the data set-up of every frame; the samples of pin 4 where the exchange reads.
void verifyPhases(const LineTiming &timing, bool reads = true)
{
    QVERIFY2(timing.shortestLowPhase() >= tick, qPrintable(figure(timing.shortestLowPhase())));
    QVERIFY2(timing.shortestHighPhase() >= tick, qPrintable(figure(timing.shortestHighPhase())));
    QVERIFY2(timing.shortestDataLead() >= tick, qPrintable(figure(timing.shortestDataLead())));
    if (reads) {
        QVERIFY2(
            timing.shortestSampleDelay() >= tick, qPrintable(figure(timing.shortestSampleDelay())));
    }
}

QString bitsOf(const QByteArray &bytes)
{
    QString bits;
    for (char byte : bytes)
        bits += QString::number(quint8(byte), 2).rightJustified(8, '0') + "|";
    return bits;
}

enum class Engine { DateSet, DateRead, Generic };

// Runs the engine's exchange and tells whether its bytes came right.
bool runEngine(LinkHarness &harness, Engine engine)
{
    harness.clearLogs();
    switch (engine) {
    case Engine::DateSet: {
        const QDate today = QDate::currentDate();
        harness.link().sendParamA1();
        if (!harness.waitForEnd(15000))
            return false;
        unsigned char stored[7];
        sim_get_date(stored);
        return stored[0] == today.year() % 100 && stored[1] == today.month()
            && stored[2] == today.day();
    }
    case Engine::DateRead: {
        const unsigned char date[7] = {25, 11, 30, 7, 200, 1, 2};
        sim_set_date(date);
        harness.link().sendParamA2();
        return harness.waitForEnd(15000)
            && harness.link().form->lineEdit->text() == "25  ; 11  ; 30  ; 7  ; -56  ; ";
    }
    case Engine::Generic: {
        // 0xA3 and two zero bytes: the zeros clock out the first two reply bytes, the reception
        // the other four, then the idle line.
        const unsigned char config[5] = {0x0B, 40, 1, 9, 14};
        sim_set_config(config);
        harness.link().sendParam();
        const QString reply = bitsOf(QByteArray("\x28\x01\x09\x0e\xff\xff", 6)) + "|\n";
        return harness.waitForEnd(15000) && harness.bitLog().endsWith("--------------\n" + reply);
    }
    }
    return false;
}

// Clock edges of each engine's exchange.
int edgesOf(Engine engine)
{
    switch (engine) {
    case Engine::DateSet:
        return 16 * 4;
    case Engine::DateRead:
        return 16 * (1 + 7);
    case Engine::Generic:
        return 16 * (3 + 6);
    }
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(Engine)

class TestLinkTiming : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void exchangesKeepTheirTiming_data();
    void exchangesKeepTheirTiming();
    void everyEngineKeepsItsTiming_data();
    void everyEngineKeepsItsTiming();

private:
    std::unique_ptr<LinkHarness> harness;
    std::unique_ptr<CheckedExchanges> exchanges;
};

// One link for the whole table: the exchanges follow each other as they would in use.
void TestLinkTiming::initTestCase()
{
    harness = std::make_unique<LinkHarness>();
    exchanges = std::make_unique<CheckedExchanges>(*harness);
}

void TestLinkTiming::cleanupTestCase()
{
    exchanges.reset();
    harness.reset();
}

void TestLinkTiming::exchangesKeepTheirTiming_data()
{
    QTest::addColumn<LineSetUp>("setUp");
    QTest::addColumn<CheckedExchanges::Kind>("kind");
    QTest::addColumn<int>("runs");

    struct Row
    {
        LineSetUp setUp;
        int longRuns; // runs of the reads and writes, 1.2 to 2 s each; 0: handshakes only
    };
    const Row rows[] = {
        {LineSetUp::ideal(), 1},
        {LineSetUp::polling(true), 2},
        {LineSetUp::slowBridge(false), 0},
        {LineSetUp::slowBridge(true), 2},
    };
    for (const Row &row : rows) {
        for (CheckedExchanges::Kind kind : {CheckedExchanges::Kind::Handshake,
                 CheckedExchanges::Kind::Read, CheckedExchanges::Kind::Write}) {
            const QString tag = row.setUp.name + ": " + CheckedExchanges::name(kind);
            const int runs = kind == CheckedExchanges::Kind::Handshake ? 5 : row.longRuns;
            if (runs > 0)
                QTest::newRow(qPrintable(tag)) << row.setUp << kind << runs;
        }
    }
}

void TestLinkTiming::exchangesKeepTheirTiming()
{
    QFETCH(LineSetUp, setUp);
    QFETCH(CheckedExchanges::Kind, kind);
    QFETCH(int, runs);

    setUp.apply();
    GuiStalls stalls(qHash(QString(QTest::currentDataTag())));
    if (setUp.stalls)
        stalls.start();
    LinkHarness::startTrace();
    int right = 0;
    for (int i = 0; i < runs; ++i)
        right += exchanges->run(kind, i) ? 1 : 0;
    stalls.stop();
    QCOMPARE(right, runs);
    QCOMPARE(stalls.count() > 0, setUp.stalls);

    const LineTiming timing(LineTrace::capture());
    QCOMPARE(timing.edgeCount(), edgesOf(kind) * runs);
    verifyPhases(timing);
}

void TestLinkTiming::everyEngineKeepsItsTiming_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::newRow("date set") << Engine::DateSet;
    QTest::newRow("date read") << Engine::DateRead;
    QTest::newRow("generic send and read") << Engine::Generic;
}

// The engines the table above does not run, in the hardest set-up.
void TestLinkTiming::everyEngineKeepsItsTiming()
{
    QFETCH(Engine, engine);

    // The generic reply has no marker: the retry question is declined.
    if (engine == Engine::Generic)
        exchanges->answers().queueAnswer(QMessageBox::No);
    LineSetUp::slowBridge(true).apply();
    GuiStalls stalls(qHash(QString(QTest::currentDataTag())));
    stalls.start();
    LinkHarness::startTrace();
    const bool right = runEngine(*harness, engine);
    stalls.stop();
    QVERIFY(right);
    QVERIFY(stalls.count() > 0);
    const LineTiming timing(LineTrace::capture());
    QCOMPARE(timing.edgeCount(), edgesOf(engine));
    verifyPhases(timing, engine != Engine::DateSet);
}

QTEST_MAIN(TestLinkTiming)
#include "tst_linktiming.moc"
