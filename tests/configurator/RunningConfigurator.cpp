#include "RunningConfigurator.h"

#include "RunningDeadline.h"
#include "SimControl.h"
#include "config.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

RunningConfigurator::RunningConfigurator(Detector detector)
{
    sim_reset();
    // A stalled process must not drop a frame: these tests are of the window and its exchanges.
    sim_set_stall_limit(0);
    sim_set_present(detector == Detector::Present);
    mainWindow = std::make_unique<MainWindow>();
    windowProbe = std::make_unique<MainWindowProbe>(mainWindow.get());
    windowLink = windowProbe->link();
    mainWindow->show();
}

RunningConfigurator::~RunningConfigurator()
{
    destroyWindow();
    waitForLinkGone();
}

bool RunningConfigurator::idle() const
{
    return windowLink && !windowLink->exchangeRunning() && mainWindow && form().get->isEnabled();
}

// The time-out counts the time the test ran, not the time the machine held it back.
bool RunningConfigurator::runUntil(const std::function<bool()> &condition, int timeout)
{
    RunningDeadline deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(1, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void RunningConfigurator::run(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunningConfigurator::waitUntilIdle(int timeout) const
{
    return runUntil([this] { return idle(); }, timeout);
}

bool RunningConfigurator::waitForStartUp(int timeout) const
{
    // The buttons stay disabled from construction until the first exchange has ended.
    return waitUntilIdle(timeout);
}

void RunningConfigurator::hurryWatch(int milliseconds) const
{
    auto *watch = windowLink->findChild<QTimer *>(QStringLiteral("watchTimer"));
    if (watch && watch->isActive())
        watch->start(milliseconds);
}

void RunningConfigurator::destroyWindow()
{
    windowProbe.reset();
    mainWindow.reset();
}

bool RunningConfigurator::waitForLinkGone(int timeout) const
{
    return runUntil([this] { return windowLink.isNull(); }, timeout);
}

std::array<int, 5> RunningConfigurator::detectorHolds()
{
    unsigned char wire[5] = {};
    sim_get_config(wire);
    return {wire[0], wire[1], wire[2], wire[3], wire[4]};
}

void RunningConfigurator::detectorStores(const std::array<int, 5> &wire)
{
    const unsigned char bytes[5] = {static_cast<unsigned char>(wire[0]),
        static_cast<unsigned char>(wire[1]), static_cast<unsigned char>(wire[2]),
        static_cast<unsigned char>(wire[3]), static_cast<unsigned char>(wire[4])};
    sim_set_config(bytes);
}

void RunningConfigurator::checkShows(const std::array<int, 5> &wire) const
{
    MainWindowForm &f = form();
    QCOMPARE(f.checkBox->isChecked(), bool(wire[0] & 0x01));
    QCheckBox *boxes[] = {f.checkBox_d_1, f.checkBox_d_2, f.checkBox_d_3};
    QSlider *sliders[] = {f.horizontalSlider, f.horizontalSlider_2, f.horizontalSlider_3};
    const std::int8_t levels[]
        = {probe().settings().level1, probe().settings().level2, probe().settings().level3};
    for (int k = 0; k < 3; ++k) {
        const bool on = !(wire[0] & (0x02 << k));
        QCOMPARE(boxes[k]->isChecked(), on);
        QCOMPARE(sliders[k]->isEnabled(), on);
        QCOMPARE(sliders[k]->value(), on ? -wire[2 + k] : 0);
        QCOMPARE(int(levels[k]), on ? wire[2 + k] : 0);
    }
    QCOMPARE(f.horizontalSlider_4->value(), wire[1] / 5);
    QCOMPARE(f.sLabel_7->text(), QString::number(wire[1]) + QStringLiteral("º"));
    QCOMPARE(int(probe().settings().flags), wire[0]);
    QCOMPARE(int(probe().settings().angle), wire[1]);
}

std::vector<int> RunningConfigurator::lastFrame()
{
    unsigned char bytes[8] = {};
    const size_t size = sim_received(bytes, sizeof bytes);
    return std::vector<int>(bytes, bytes + size);
}
