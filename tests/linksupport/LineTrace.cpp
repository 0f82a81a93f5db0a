#include "LineTrace.h"

LineTrace LineTrace::capture()
{
    LineTrace trace;
    const size_t size = sim_trace_size();
    for (size_t i = 0; i < size; ++i)
        trace.entries.append(sim_trace_at(i));
    return trace;
}

QList<LineTrace::Edge> LineTrace::clockEdges() const
{
    QList<Edge> edges;
    bool clock = true;
    bool data = true;
    for (int i = 0; i < entries.size(); ++i) {
        const SimTraceEntry &entry = entries.at(i);
        const bool drives = entry.call == SIM_SET_PIN || entry.call == SIM_CLEAR_PIN;
        if (!drives || !entry.result)
            continue;
        const bool level = entry.call == SIM_SET_PIN;
        if (entry.arg == 3)
            data = level;
        if (entry.arg != 2 || level == clock)
            continue;
        clock = level;
        edges.append({level, data, qint64(entry.nanoseconds), i});
    }
    return edges;
}

QList<int> LineTrace::bitsAtRisingEdges() const
{
    QList<int> bits;
    for (const Edge &edge : clockEdges()) {
        if (edge.rising)
            bits.append(edge.dataOut ? 1 : 0);
    }
    return bits;
}

QList<int> LineTrace::bitsRead() const
{
    QList<int> bits;
    for (const SimTraceEntry &entry : entries) {
        if (entry.call == SIM_READ_PIN)
            bits.append(entry.value != 0 ? 1 : 0);
    }
    return bits;
}

int LineTrace::count(SimCall call, unsigned long arg) const
{
    int n = 0;
    for (const SimTraceEntry &entry : entries)
        n += entry.call == call && entry.arg == arg ? 1 : 0;
    return n;
}

int LineTrace::find(SimCall call, unsigned long arg, int from) const
{
    for (int i = qMax(0, from); i < entries.size(); ++i) {
        if (entries.at(i).call == call && entries.at(i).arg == arg)
            return i;
    }
    return -1;
}

double LineTrace::millisecondsBetween(int first, int second) const
{
    const auto from = entries.at(first).nanoseconds;
    const auto to = entries.at(second).nanoseconds;
    return double(qint64(to - from)) / 1e6;
}
