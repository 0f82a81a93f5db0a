#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

// A deadline on the time the test went on running: between two looks at it, at most `slice`
// milliseconds count, however long the wall clock moved. A process the machine stalls (two
// busy cores, Wine) is thus not taken for a link that hangs, while a hang, looked at every few
// milliseconds, still runs into it. Whoever waits on it looks well within a slice.
class RunningDeadline
{
public:
    static constexpr qint64 slice = 50;

    explicit RunningDeadline(qint64 milliseconds)
        : limit(milliseconds)
    {
        clock.start();
    }

    bool hasExpired()
    {
        const qint64 now = clock.elapsed();
        counted += qMin(now - last, slice);
        last = now;
        return counted >= limit;
    }
    // Milliseconds still to count, for a wait that looks again within a slice.
    qint64 remaining() const { return qMax<qint64>(0, limit - counted); }

private:
    QElapsedTimer clock;
    qint64 limit;
    qint64 counted = 0;
    qint64 last = 0;
};
