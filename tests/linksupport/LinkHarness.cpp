#include "LinkHarness.h"

#include "ConfigForm.h"
#include "RunningDeadline.h"
#include "SimControl.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

LinkHarness::LinkHarness(bool settle, bool traceBringUp)
{
    sim_reset();
    // A process stalled mid-frame (a loaded machine, Wine) must not fail tests of the link's
    // order and bytes; the detector's own limit has its rows in the simulator's suite.
    sim_set_stall_limit(0);
    if (traceBringUp)
        startTrace();
    linkObject = std::make_unique<config>(&settings);
    record();
    if (!settle)
        return;
    linkObject->readAfterHandshake = false;
    waitForEvent("setButton(true)");
    events.clear();
}

LinkHarness::~LinkHarness() = default;

void LinkHarness::record()
{
    config *link = linkObject.get();
    QObject::connect(link, &config::setButton, link,
        [this](bool on) { events << QString("setButton(%1)").arg(on ? "true" : "false"); });
    QObject::connect(
        link, &config::signal_handshake_ok, link, [this] { events << "handshake_ok"; });
    QObject::connect(link, &config::signal_disconnect, link, [this] { events << "disconnect"; });
    QObject::connect(link, &config::signal_getConfig, link,
        [this](char *in) { events << "getConfig(" + QByteArray(in, 6).toHex(' ') + ")"; });
    QObject::connect(link, &config::action, link, [this](int total, int step, int cgi) {
        events << QString("action(%1,%2,%3)").arg(total).arg(step).arg(cgi);
    });
}

QStringList LinkHarness::eventsWithoutProgress() const
{
    QStringList result;
    for (const QString &event : events) {
        if (!event.startsWith("action(5,"))
            result << event;
    }
    return result;
}

// Waits in a real event loop: a wait that sleeps between polls would hold back the engines'
// 2 ms ticks and stretch every exchange. The time-out counts the time the test ran, not the
// time the machine held it back.
bool LinkHarness::waitForButtons(const std::function<bool()> &done, int timeoutMs)
{
    QSignalSpy buttons(linkObject.get(), &config::setButton);
    RunningDeadline deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        buttons.wait(int(qBound<qint64>(1, deadline.remaining(), RunningDeadline::slice / 2)));
    return done();
}

bool LinkHarness::waitForEnd(int timeoutMs)
{
    return waitForButtons([this] { return !linkObject->exchangeRunning(); }, timeoutMs);
}

bool LinkHarness::waitForEvent(const QString &event, int times, int timeoutMs)
{
    return waitForButtons([&] { return events.count(event) >= times; }, timeoutMs);
}

QStringList LinkHarness::logLines() const
{
    return linkObject->form->textEdit->toPlainText().split('\n', Qt::SkipEmptyParts);
}

QString LinkHarness::bitLog() const
{
    return linkObject->form->sendText->toPlainText();
}

void LinkHarness::clearLogs()
{
    linkObject->clr();
}

void LinkHarness::startTrace()
{
    sim_trace_clear();
    sim_trace_enable(true);
}
