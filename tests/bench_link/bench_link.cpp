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

#ifdef _WIN32
#include <windows.h>
#endif

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
#ifdef _WIN32
    // Windows' std::clock() counts wall time since the start, not processor time.
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0.0;
    const auto hundreds = [](const FILETIME &time) {
        return double((ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return (hundreds(kernel) + hundreds(user)) / 10000.0;
#else
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
#endif
}

bool measure(CheckedExchanges &exchanges, const Runs &batch)
{
    int right = 0;
    double longest = 0;
    QElapsedTimer total;
    const double cpuStart = cpuMilliseconds();
    total.start();
    for (int i = 0; i < batch.count; ++i) {
        QElapsedTimer wall;
        wall.start();
        right += exchanges.run(batch.kind, i) ? 1 : 0;
        longest = qMax(longest, double(wall.nsecsElapsed()) / 1e6);
    }
    const double totalMs = double(total.nsecsElapsed()) / 1e6;
    const double meanMs = totalMs / batch.count;
    const double cpuShare = (cpuMilliseconds() - cpuStart) / totalMs;
    const double nominal = CheckedExchanges::nominalMilliseconds(batch.kind);
    std::printf("  %-20s %4d %8.1f %8.1f %8.1f %6.3f %6.3f %6.1f%% %4d/%d\n",
        qPrintable(CheckedExchanges::name(batch.kind)), batch.count, nominal, meanMs, longest,
        meanMs / nominal, longest / nominal, 100.0 * cpuShare, right, batch.count);
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
    std::printf("  %-20s %4s %8s %8s %8s %6s %6s %7s %6s\n", "exchange", "runs", "nominal",
        "mean ms", "max ms", "mean/n", "max/n", "CPU", "right");
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
    std::printf("Link timing against the simulated detector. Nominal: the exchange at exactly 2 ms "
                "a tick and exact waits;\nmean and max: wall time of one exchange; mean/n, max/n: "
                "over nominal; CPU: process CPU time over wall time.\nPhases and margins are "
                "measured at the moments the calls acted on the pins.\n\n");
    const LineSetUp setUps[]
        = {LineSetUp::ideal(), LineSetUp::polling(true), LineSetUp::slowBridge(false)};
    bool right = true;
    for (int i = 0; i < 3; ++i)
        right = runSetUp(setUps[i], i) && right;
    std::fflush(stdout);
    return right ? 0 : 1;
}
