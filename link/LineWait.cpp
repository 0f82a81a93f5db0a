#include "LineWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

void LineWait::processingEvents(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = milliseconds; left > 0; left = milliseconds - clock.elapsed()) {
        QEventLoop loop;
        // A timer of its own, gone with the wait, not QTimer::singleShot(), whose timer lives
        // on after a refused exec() until the event loop deletes it (see config::createTimers).
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(int(left));
        // exec() refuses to run while the application is quitting; sleep instead of spinning.
        if (loop.exec() != 0)
            QThread::msleep(static_cast<unsigned long>(left));
    }
}

void LineWait::withoutEvents(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = milliseconds; left > 0; left = milliseconds - clock.elapsed())
        QThread::msleep(static_cast<unsigned long>(left));
}
