#include "LineTiming.h"

#include <algorithm>

namespace {

double millisecondsBetween(qint64 from, qint64 to)
{
    return double(to - from) / 1e6;
}

} // namespace

LineTiming::LineTiming(const LineTrace &trace)
{
    const QList<LineTrace::Edge> clock = trace.clockEdges();
    edges = int(clock.size());
    for (int i = 1; i < clock.size(); ++i) {
        const double phase
            = millisecondsBetween(clock.at(i - 1).nanoseconds, clock.at(i).nanoseconds);
        (clock.at(i).rising ? lowPhases : highPhases) << phase;
        if (i >= 2 && !clock.at(i).rising)
            periods << millisecondsBetween(clock.at(i - 2).nanoseconds, clock.at(i).nanoseconds);
    }
    qint64 lastData = -1;
    qint64 lastFall = -1;
    int next = 0;
    const QList<SimTraceEntry> &calls = trace.calls();
    for (int i = 0; i < calls.size(); ++i) {
        const SimTraceEntry &call = calls.at(i);
        const qint64 at = qint64(call.nanoseconds);
        if (next < clock.size() && clock.at(next).call == i) {
            if (clock.at(next).rising && lastData >= 0)
                dataLeads << millisecondsBetween(lastData, at);
            if (!clock.at(next).rising)
                lastFall = at;
            ++next;
        } else if ((call.call == SIM_SET_PIN || call.call == SIM_CLEAR_PIN) && call.arg == 3) {
            lastData = at;
        } else if (call.call == SIM_READ_PIN && call.arg == 4 && lastFall >= 0) {
            sampleDelays << millisecondsBetween(lastFall, at);
            lastFall = -1;
        }
    }
}

double LineTiming::medianBitPeriod() const
{
    if (periods.isEmpty())
        return -1;
    QList<double> sorted = periods;
    std::sort(sorted.begin(), sorted.end());
    return sorted.at(sorted.size() / 2);
}

double LineTiming::shortest(const QList<double> &values)
{
    return values.isEmpty() ? -1 : *std::min_element(values.begin(), values.end());
}
