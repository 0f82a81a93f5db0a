#include "FaultInjector.h"

#include "SimControl.h"

namespace {

const SimCall pinCalls[] = {SIM_SET_PIN, SIM_CLEAR_PIN, SIM_READ_PIN};
const char *const pinCallNames[] = {"SetPin fails", "ClearPin fails", "ReadPin fails"};

} // namespace

FaultInjector::FaultInjector(std::mt19937 &random, Report report, QObject *parent)
    : QObject(parent)
    , random(random)
    , report(std::move(report))
{
    next.setSingleShot(true);
    next.setTimerType(Qt::PreciseTimer);
    connect(&next, &QTimer::timeout, this, &FaultInjector::inject);
}

int FaultInjector::between(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

void FaultInjector::start()
{
    next.start(between(300, 4000));
}

void FaultInjector::stop()
{
    next.stop();
    sim_set_present(true);
    sim_set_marker_fault(0);
    sim_set_store_fault(-1, 0);
    for (SimCall call : pinCalls)
        sim_set_call_fails(call, false);
}

void FaultInjector::later(int milliseconds, std::function<void()> undo)
{
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, this, [this, undo] {
        if (next.isActive())
            undo();
    });
}

void FaultInjector::inject()
{
    switch (between(0, 5)) {
    case 0:
        if (!sim_is_present())
            break;
        sim_set_present(false);
        report(QStringLiteral("detector pulled and plugged back"));
        later(between(5, 600), [] { sim_set_present(true); });
        break;
    case 1:
    case 2: {
        const bool towards = between(0, 1) == 0;
        sim_flip_next_bit(towards);
        report(towards ? QStringLiteral("bit flipped towards the detector")
                       : QStringLiteral("bit flipped from the detector"));
        break;
    }
    case 3:
        sim_set_marker_fault(1);
        report(QStringLiteral("reply without its marker"));
        break;
    case 4: {
        sim_set_store_fault(between(0, 4), static_cast<unsigned char>(between(0, 255)));
        report(QStringLiteral("stored byte differs from the written one"));
        later(between(500, 8000), [] { sim_set_store_fault(-1, 0); });
        break;
    }
    default: {
        const int which = between(0, 2);
        sim_set_call_fails(pinCalls[which], true);
        report(QString::fromLatin1(pinCallNames[which]));
        later(between(1, 40), [which] { sim_set_call_fails(pinCalls[which], false); });
        break;
    }
    }
    next.start(between(300, 4000));
}
