// Every phase lasts a tick whatever the sleep: exact, coarse as Windows', or early as MinGW's;
// and no longer than the sleep makes it.
#include "LinePacer.h"

#include <QTest>

#include <algorithm>
#include <vector>

using namespace std::chrono;

namespace {

using Milliseconds = duration<double, std::milli>;
using WindowsTick = duration<long long, std::ratio<1, 64>>; // 15.625 ms

constexpr steady_clock::duration tick = 2ms;
constexpr int bitsPerByte = 8;
constexpr int phasesPerBit = 2;
constexpr int phasesPerByte = bitsPerByte * phasesPerBit;
// How much longer than its due a phase may last: the pacer's own few clock readings.
constexpr Milliseconds overrun = 250us;
// Two readings of a spinning thread's clock this far apart mean the thread was not running
// between them (the machine is shared): that time is no sleeper's nor pacer's doing.
constexpr steady_clock::duration offProcessorGap = 50us;

// How a platform's sleep rounds the span asked of it.
enum class Rounding { Exact, Coarse, Early };

// A stand-in for the platform's sleep that holds the rounded span on its own, by watching the
// clock, so that the host's sleep does not blur it; it adds up the time its thread was off the
// processor.
class HoldingSleeper
{
public:
    explicit HoldingSleeper(Rounding rounding)
        : rounding(rounding)
    { }

    steady_clock::time_point now()
    {
        const steady_clock::time_point reading = steady_clock::now();
        if (reading - lastReading > offProcessorGap && lastReading != steady_clock::time_point {})
            offProcessor += reading - lastReading;
        lastReading = reading;
        return reading;
    }

    void sleep(steady_clock::duration span)
    {
        for (const auto end = now() + rounded(span); now() < end;) { }
    }

    steady_clock::duration timeOffProcessor() const { return offProcessor; }

private:
    steady_clock::duration rounded(steady_clock::duration span) const
    {
        switch (rounding) {
        case Rounding::Coarse:
            return ceil<WindowsTick>(span);
        case Rounding::Early:
            return floor<milliseconds>(span);
        case Rounding::Exact:
            break;
        }
        return span;
    }

    Rounding rounding;
    steady_clock::time_point lastReading {};
    steady_clock::duration offProcessor {};
};

// The moment a tick's pins moved, and how long the thread had been off the processor by then.
struct Move
{
    steady_clock::time_point at;
    steady_clock::duration offProcessor;
};

Milliseconds median(std::vector<Milliseconds> values)
{
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

Q_DECLARE_METATYPE(Rounding)
Q_DECLARE_METATYPE(Milliseconds)

class TestLinePacer : public QObject
{
    Q_OBJECT

private slots:
    void byteKeepsEveryPhase_data();
    void byteKeepsEveryPhase();
};

void TestLinePacer::byteKeepsEveryPhase_data()
{
    QTest::addColumn<Rounding>("rounding");
    // What every phase lasts with that sleep: a tick, or the first whole step past it.
    QTest::addColumn<Milliseconds>("phase");
    QTest::newRow("exact") << Rounding::Exact << Milliseconds(tick);
    QTest::newRow("coarse") << Rounding::Coarse << Milliseconds(WindowsTick(1));
    QTest::newRow("early") << Rounding::Early << Milliseconds(tick);
}

// The shortest phase is read on the wall clock: the line is never faster than that. The longest
// phase and the median bit period leave out the time the thread was off the processor, which a
// shared machine takes at random and a pacer, waiting only through its sleeper, cannot spend.
void TestLinePacer::byteKeepsEveryPhase()
{
    QFETCH(Rounding, rounding);
    QFETCH(Milliseconds, phase);
    HoldingSleeper sleeper(rounding);
    LinePacer pacer(tick, [&sleeper](steady_clock::duration span) { sleeper.sleep(span); });
    std::vector<Move> moves;
    moves.reserve(phasesPerByte + 1);
    moves.push_back({sleeper.now(), sleeper.timeOffProcessor()});
    pacer.pinsMoved();
    for (int i = 0; i < phasesPerByte; ++i) {
        pacer.awaitTick();
        moves.push_back({sleeper.now(), sleeper.timeOffProcessor()});
        pacer.pinsMoved();
    }

    std::vector<Milliseconds> phases, runningPhases, periods, runningPeriods;
    for (std::size_t i = 1; i < moves.size(); ++i) {
        phases.push_back(moves[i].at - moves[i - 1].at);
        runningPhases.push_back(
            phases.back() - (moves[i].offProcessor - moves[i - 1].offProcessor));
        if (i % phasesPerBit == 0) {
            const Move &bitStart = moves[i - phasesPerBit];
            periods.push_back(moves[i].at - bitStart.at);
            runningPeriods.push_back(
                periods.back() - (moves[i].offProcessor - bitStart.offProcessor));
        }
    }
    const Milliseconds shortest = *std::min_element(phases.begin(), phases.end());
    const Milliseconds longest = *std::max_element(runningPhases.begin(), runningPhases.end());
    const Milliseconds bitPeriod = median(runningPeriods);
    const Milliseconds offProcessor = moves.back().offProcessor - moves.front().offProcessor;
    qInfo("%s: shortest phase %.3f ms; on the processor: longest phase %.3f ms, median bit period"
          " %.3f ms; off it: %.3f ms",
        QTest::currentDataTag(), shortest.count(), longest.count(), bitPeriod.count(),
        offProcessor.count());
    QVERIFY(shortest >= tick);
    QVERIFY(shortest >= phase);
    QVERIFY(longest <= phase + overrun);
    QVERIFY(median(periods) >= phasesPerBit * phase);
    QVERIFY(bitPeriod <= phasesPerBit * (phase + overrun));
}

QTEST_GUILESS_MAIN(TestLinePacer)
#include "tst_linepacer.moc"
