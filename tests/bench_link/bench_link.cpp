// Times the link's exchanges against the simulated detector in three set-ups: an ideal
// detector; a detector that looks at its clock input once a millisecond while the GUI thread
// is stalled in random slices; and that detector behind a bridge whose calls take as long as
// USB reports. For each exchange it prints the wall time over the nominal time of the line
// timing, the process CPU time as a share of the wall time and how many runs came right; for
// each set-up the shortest clock phases, the margins of the data bits and the median bit
// period, all from the moments the calls acted on the pins.
#include "CheckedExchanges.h"
#include "GuiStalls.h"
#include "LineSetUp.h"
#include "LineTiming.h"
#include "LineTrace.h"
#include "LinkHarness.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

namespace {

struct Runs
{
    CheckedExchanges::Kind kind;
    int count;
};

const Runs runs[] = {
    {CheckedExchanges::Kind::Handshake, 20},
    {CheckedExchanges::Kind::Read, 3},
    {CheckedExchanges::Kind::Write, 3},
};

// Process CPU time in milliseconds (all threads; the link has only the GUI thread).
double cpuMilliseconds()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

bool measure(CheckedExchanges &exchanges, const Runs &batch)
{
    int right = 0;
    QElapsedTimer wall;
    const double cpuStart = cpuMilliseconds();
    wall.start();
    for (int i = 0; i < batch.count; ++i)
        right += exchanges.run(batch.kind, i) ? 1 : 0;
    const double wallMs = double(wall.nsecsElapsed()) / 1e6 / batch.count;
    const double cpuMs = (cpuMilliseconds() - cpuStart) / batch.count;
    const double nominal = CheckedExchanges::nominalMilliseconds(batch.kind);
    std::printf("  %-20s %4d %9.1f %10.1f %7.3f %8.1f%% %6d/%d\n",
        qPrintable(CheckedExchanges::name(batch.kind)), batch.count, wallMs, nominal,
        wallMs / nominal, 100.0 * cpuMs / wallMs, right, batch.count);
    return right == batch.count;
}

void printTiming(const LineTiming &timing)
{
    std::printf("  clock: shortest low phase %.3f ms, shortest high phase %.3f ms, "
                "median bit period %.3f ms (%d edges)\n",
        timing.shortestLowPhase(), timing.shortestHighPhase(), timing.medianBitPeriod(),
        timing.edgeCount());
    std::printf("  data: pin 3 set at least %.3f ms before a rising edge, "
                "pin 4 read at least %.3f ms after a falling edge\n",
        timing.shortestDataLead(), timing.shortestSampleDelay());
}

bool runSetUp(const LineSetUp &setUp, int index)
{
    LinkHarness harness;
    setUp.apply();
    CheckedExchanges exchanges(harness);
    GuiStalls stalls(quint32(index + 1));
    if (setUp.stalls)
        stalls.start();
    LinkHarness::startTrace();

    std::printf("%s\n", qPrintable(setUp.name));
    std::printf("  %-20s %4s %9s %10s %7s %9s %8s\n", "exchange", "runs", "wall ms", "nominal",
        "ratio", "CPU/wall", "right");
    bool right = true;
    for (const Runs &batch : runs)
        right = measure(exchanges, batch) && right;
    stalls.stop();
    printTiming(LineTiming(LineTrace::capture()));
    if (setUp.stalls)
        std::printf("  GUI stalls: %d\n", stalls.count());
    std::printf("  every byte right: %s\n\n", right ? "yes" : "NO");
    return right;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("Link timing against the simulated detector; one tick is 2 ms, nominal times "
                "assume exact ticks and waits.\nRatio: wall time over nominal, per exchange. "
                "Phases and margins are measured where the calls acted on the pins.\n\n");
    const LineSetUp setUps[]
        = {LineSetUp::ideal(), LineSetUp::polling(true), LineSetUp::slowBridge(false)};
    bool right = true;
    for (int i = 0; i < 3; ++i)
        right = runSetUp(setUps[i], i) && right;
    std::fflush(stdout);
    return right ? 0 : 1;
}
