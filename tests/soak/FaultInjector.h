#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <random>

// Injects faults into the simulated detector and its bridge at random moments, also in the
// middle of frames: the detector pulled and plugged back, a bit flipped in either direction, a
// reply without its marker, a stored byte that differs from the written one, a pin call failing.
// Faults that last are undone after a random while.
class FaultInjector : public QObject
{
    Q_OBJECT

public:
    // Told the kind of every fault injected.
    using Report = std::function<void(const QString &kind)>;

    FaultInjector(std::mt19937 &random, Report report, QObject *parent = nullptr);

    void start();
    // No new faults; every lasting one is undone.
    void stop();

private:
    void inject();
    void later(int milliseconds, std::function<void()> undo);
    int between(int low, int high);

    std::mt19937 &random;
    Report report;
    QTimer next;
};
