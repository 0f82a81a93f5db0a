#pragma once

#include "MainWindowProbe.h"

#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class config;

// The real main window on the simulated detector, brought up the way the program starts.
// The simulated device is reset first, so every test case begins with a fresh detector.
class RunningConfigurator
{
public:
    enum class Detector { Present, Absent };

    explicit RunningConfigurator(Detector detector = Detector::Present);
    ~RunningConfigurator();

    MainWindow *window() const { return mainWindow.get(); }
    MainWindowProbe &probe() const { return *windowProbe; }
    MainWindowForm &form() const { return windowProbe->form(); }
    config *link() const { return windowLink; }

    // Runs the event loop until the condition holds; false if it still fails after the timeout.
    // QTest::qWait sleeps up to 10 ms between rounds of events, which would starve the link's
    // 2 ms line ticks and stretch every exchange; a running event loop keeps them on time.
    static bool runUntil(const std::function<bool()> &condition, int timeout);
    static void run(int milliseconds);

    // No exchange runs and the command buttons are usable.
    bool idle() const;
    bool waitUntilIdle(int timeout = 5000) const;
    // The start-up handshake and, with a detector, the read that follows it.
    bool waitForStartUp(int timeout = 5000) const;

    // Lets the connection watch fire almost at once instead of after its ten seconds.
    void hurryWatch(int milliseconds = 50) const;

    // The window goes; the link must follow it. Returns whether it did within the time.
    void destroyWindow();
    bool waitForLinkGone(int timeout = 5000) const;

    // What the controls and the settings must show for a configuration in wire order (flags,
    // angle, level1, level2, level3). Fails the running test otherwise.
    void checkShows(const std::array<int, 5> &wire) const;

    // The simulated detector's stored configuration in wire order, and the last frame it took
    // in, command byte first.
    static std::array<int, 5> detectorHolds();
    static std::vector<int> lastFrame();
    static void detectorStores(const std::array<int, 5> &wire);

private:
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<MainWindowProbe> windowProbe;
    QPointer<config> windowLink;
};
