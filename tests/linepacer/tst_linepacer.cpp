// Every phase lasts a tick whatever the sleep: exact, coarse as Windows', or early as MinGW's.
#include "LinePacer.h"
#include <QTest>
#include <algorithm>
#include <vector>

using namespace std::chrono;
using Sleeper = LinePacer::Sleeper;
using WindowsTick = duration<long long, std::ratio<1, 64>>; // 15.625 ms
Q_DECLARE_METATYPE(Sleeper)

// The stand-ins hold on their own, so that the host's sleep does not blur them.
static void holdFor(steady_clock::duration span)
{
    for (const auto end = steady_clock::now() + span; steady_clock::now() < end;) { }
}

class TestLinePacer : public QObject
{
    Q_OBJECT
private slots:
    void byteKeepsEveryPhase_data()
    {
        QTest::addColumn<Sleeper>("sleeper");
        QTest::newRow("exact") << Sleeper(holdFor);
        QTest::newRow("coarse") << Sleeper([](auto d) { holdFor(ceil<WindowsTick>(d)); });
        QTest::newRow("early") << Sleeper([](auto d) { holdFor(floor<milliseconds>(d)); });
    }
    void byteKeepsEveryPhase()
    {
        QFETCH(Sleeper, sleeper);
        LinePacer pacer(2ms, sleeper);
        std::vector<steady_clock::time_point> moves {steady_clock::now()};
        pacer.pinsMoved();
        std::vector<duration<double, std::milli>> phases, periods;
        for (std::size_t phase = 1; phase <= 16; ++phase) {
            pacer.awaitTick();
            moves.push_back(steady_clock::now());
            pacer.pinsMoved();
            phases.push_back(moves[phase] - moves[phase - 1]);
            if (phase % 2 == 0)
                periods.push_back(moves[phase] - moves[phase - 2]);
        }
        const auto shortest = *std::min_element(phases.begin(), phases.end());
        std::nth_element(periods.begin(), periods.begin() + 4, periods.end());
        qInfo("%s: shortest phase %.3f ms, median bit period %.3f ms", QTest::currentDataTag(),
            shortest.count(), periods[4].count());
        QVERIFY(shortest >= 2ms);
    }
};

QTEST_GUILESS_MAIN(TestLinePacer)
#include "tst_linepacer.moc"
