#pragma once

#include "SimControl.h"

#include <QList>

// The simulated bridge's call trace, replayed into the levels of the clock and data lines.
class LineTrace
{
public:
    struct Edge
    {
        bool rising;
        bool dataOut; // level of the PC's data line at the edge
        qint64 nanoseconds;
        int call; // index into calls()
    };

    // Copies the trace recorded so far.
    static LineTrace capture();

    const QList<SimTraceEntry> &calls() const { return entries; }
    // Clock edges, the lines starting idle (high).
    QList<Edge> clockEdges() const;
    // Data bits as the detector takes them, one per rising clock edge.
    QList<int> bitsAtRisingEdges() const;
    // Levels read from the data-in line, in order.
    QList<int> bitsRead() const;
    int count(SimCall call, unsigned long arg) const;
    // Index of the first call of that kind at or after `from`, or -1.
    int find(SimCall call, unsigned long arg, int from = 0) const;
    double millisecondsBetween(int first, int second) const;

private:
    QList<SimTraceEntry> entries;
};
