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
        QTimer::singleShot(int(left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
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
