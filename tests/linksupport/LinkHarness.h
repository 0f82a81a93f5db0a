#pragma once

#include "DetectorSettings.h"
#include "config.h"

#include <QStringList>

#include <functional>
#include <memory>

// A link on the simulated detector, with a record of every signal it emits.
class LinkHarness
{
public:
    // Resets the simulated detector first. With `settle`, the first handshake (500 ms after
    // construction) is let through without its configuration read, so the test starts at rest.
    // With `traceBringUp`, the bridge's call trace records from before construction.
    explicit LinkHarness(bool settle = true, bool traceBringUp = false);
    ~LinkHarness();

    config &link() { return *linkObject; }
    // Deletes the link, as its owner may at any moment.
    void destroyLink() { linkObject.reset(); }
    DetectorSettings settings {0, 0, 0, 5, 0x0E};

    // Signals in the order emitted: "setButton(false)", "handshake_ok", "disconnect",
    // "getConfig(53 01 14 03 07 0f)", "action(5,7,0)", ...
    QStringList events;
    QStringList eventsWithoutProgress() const;

    // Waits until the running exchange, with everything it chains to, has ended.
    bool waitForEnd(int timeoutMs = 8000);
    // Waits until `event` has been recorded `times` times; only checked when setButton comes.
    bool waitForEvent(const QString &event, int times = 1, int timeoutMs = 8000);

    QStringList logLines() const;
    QString bitLog() const;
    void clearLogs();
    // Clears the simulated bridge's call trace and records from now on.
    static void startTrace();

private:
    void record();
    bool waitForButtons(const std::function<bool()> &done, int timeoutMs);

    std::unique_ptr<config> linkObject;
};
