#pragma once

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

// Keeps the GUI thread busy in short random slices, as a loaded desktop does: a slot fired from
// a timer holds the thread for 0.5 to 1.9 ms, then the next one fires 0 to 3 ms later. It
// sleeps rather than spins, so the process's CPU time still shows the link's own cost.
class GuiStalls : public QObject
{
    Q_OBJECT

public:
    explicit GuiStalls(quint32 seed, QObject *parent = nullptr);

    void start();
    void stop() { timer.stop(); }
    int count() const { return stalls; }

private:
    void stall();
    void scheduleNext();

    QTimer timer;
    QRandomGenerator random;
    int stalls = 0;
};
