#include "LineTraceCheck.h"

#include "SimControl.h"

namespace {

constexpr unsigned long clockPin = 2;
constexpr unsigned long dataInPin = 4;

} // namespace

LineTraceCheck::LineTraceCheck()
{
    sim_trace_clear();
    sim_trace_enable(true);
}

QStringList LineTraceCheck::consume()
{
    QStringList broken;
    const size_t size = sim_trace_size();
    for (size_t i = 0; i < size; ++i) {
        const SimTraceEntry entry = sim_trace_at(i);
        if (entry.call == SIM_CLEAR_PIN && entry.arg == clockPin) {
            if (!clockHigh)
                broken << QStringLiteral("one engine at a time: clock driven low twice in a row");
            clockHigh = false;
        } else if (entry.call == SIM_SET_PIN && entry.arg == clockPin) {
            clockHigh = true;
        } else if (entry.call == SIM_READ_PIN && entry.arg == dataInPin && !clockHigh) {
            broken << QStringLiteral("one engine at a time: data sampled with the clock low");
        }
    }
    calls += static_cast<long long>(size);
    sim_trace_clear();
    return broken;
}
