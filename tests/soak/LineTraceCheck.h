#pragma once

#include <QStringList>

// Reads the simulated bridge's call trace as it grows and checks that one engine at a time
// drives the line. Each engine moves the clock once per tick, low then high, and samples the
// detector's data only with the clock high; two engines at once drive it low twice in a row or
// sample it while it is low. Pin calls count as asked for, whether or not they succeed.
class LineTraceCheck
{
public:
    LineTraceCheck();

    // Takes every entry recorded since the last call, clears the trace, and returns the
    // rules broken by those entries.
    QStringList consume();
    long long callsRead() const { return calls; }

private:
    bool clockHigh = true;
    long long calls = 0;
};
