// Every clock phase lasts at least a tick whatever the sleep under the pacer does: exact, as
// coarse as Windows' default clock, or ending early in whole milliseconds as MinGW's does.
#include "LinePacer.h"

#include <QTest>

#include <algorithm>
#include <thread>
#include <vector>

using Clock = LinePacer::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

Q_DECLARE_METATYPE(LinePacer::Sleeper)

namespace {

constexpr std::chrono::milliseconds tick(2);
constexpr std::chrono::nanoseconds windowsClock(15625000);

// The stand-ins hold on their own, so that the host's sleep does not blur them.
void holdFor(Clock::duration span)
{
    for (const auto end = Clock::now() + span; Clock::now() < end;)
        std::this_thread::yield();
}

} // namespace

class tst_LinePacer : public QObject
{
    Q_OBJECT

private slots:
    void byteKeepsEveryPhase_data();
    void byteKeepsEveryPhase();
};

void tst_LinePacer::byteKeepsEveryPhase_data()
{
    QTest::addColumn<LinePacer::Sleeper>("sleeper");
    QTest::newRow("exact") << LinePacer::Sleeper(holdFor);
    QTest::newRow("coarse") << LinePacer::Sleeper([](Clock::duration span) {
        holdFor((span + windowsClock - Clock::duration(1)) / windowsClock * windowsClock);
    });
    QTest::newRow("early") << LinePacer::Sleeper(
        [](Clock::duration span) { holdFor(std::chrono::floor<std::chrono::milliseconds>(span)); });
}

void tst_LinePacer::byteKeepsEveryPhase()
{
    QFETCH(LinePacer::Sleeper, sleeper);
    LinePacer pacer(tick, sleeper);
    std::vector<Clock::time_point> moves {Clock::now()};
    pacer.pinsMoved();
    for (int phase = 0; phase < 16; ++phase) {
        pacer.awaitTick();
        moves.push_back(Clock::now());
        pacer.pinsMoved();
    }
    std::vector<Milliseconds> phases;
    std::vector<Milliseconds> periods;
    for (std::size_t i = 1; i < moves.size(); ++i) {
        phases.push_back(moves[i] - moves[i - 1]);
        if (i % 2 == 0)
            periods.push_back(moves[i] - moves[i - 2]);
    }
    const Milliseconds shortest = *std::min_element(phases.begin(), phases.end());
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    qInfo("%s: shortest phase %.3f ms, median bit period %.3f ms", QTest::currentDataTag(),
        shortest.count(), periods[periods.size() / 2].count());
    QVERIFY(shortest >= tick);
}

QTEST_GUILESS_MAIN(tst_LinePacer)
#include "tst_linepacer.moc"
