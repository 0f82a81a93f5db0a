#include "LineSetUp.h"

#include "SimControl.h"

namespace {

constexpr unsigned int lookPeriod = 1000;
// Any fraction of a millisecond: the PC's ticks fall on no fixed grid of their own.
constexpr unsigned int lookOffset = 370;
constexpr unsigned int reportMicroseconds = 1000;
constexpr unsigned int reportAndAnswerMicroseconds = 2000;

} // namespace

void LineSetUp::apply() const
{
    sim_set_polling(pollingPeriodMicroseconds, lookOffset);
    sim_set_call_duration(SIM_SET_PIN, pinWriteMicroseconds);
    sim_set_call_duration(SIM_CLEAR_PIN, pinWriteMicroseconds);
    sim_set_call_duration(SIM_READ_PIN, pinReadMicroseconds);
}

LineSetUp LineSetUp::ideal()
{
    return {QStringLiteral("ideal detector"), 0, 0, 0, false};
}

LineSetUp LineSetUp::polling(bool stalls)
{
    return {stalls ? QStringLiteral("polling detector, GUI stalls")
                   : QStringLiteral("polling detector"),
        lookPeriod, 0, 0, stalls};
}

LineSetUp LineSetUp::slowBridge(bool stalls)
{
    return {stalls ? QStringLiteral("slow bridge, polling detector, GUI stalls")
                   : QStringLiteral("slow bridge, polling detector"),
        lookPeriod, reportMicroseconds, reportAndAnswerMicroseconds, stalls};
}
