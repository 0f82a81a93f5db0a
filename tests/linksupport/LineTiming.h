#pragma once

#include "LineTrace.h"

#include <QList>

// Timing of the line as the simulated bridge's call trace records it, from the moments the
// calls acted on the pins. All figures in milliseconds; a figure with nothing to measure is
// -1, so that a check for "at least" fails on it.
class LineTiming
{
public:
    explicit LineTiming(const LineTrace &trace);

    // Shortest time the clock stayed low (high) between two edges.
    double shortestLowPhase() const { return shortest(lowPhases); }
    double shortestHighPhase() const { return shortest(highPhases); }
    // Median time between successive falling edges: one bit, while bits follow each other.
    double medianBitPeriod() const;
    // Shortest time from the last write of the data line to a rising edge that follows it.
    double shortestDataLead() const { return shortest(dataLeads); }
    // Shortest time from a falling edge to a read of pin 4 that follows it.
    double shortestSampleDelay() const { return shortest(sampleDelays); }
    int edgeCount() const { return edges; }

private:
    static double shortest(const QList<double> &values);

    QList<double> lowPhases;
    QList<double> highPhases;
    QList<double> periods;
    QList<double> dataLeads;
    QList<double> sampleDelays;
    int edges = 0;
};
