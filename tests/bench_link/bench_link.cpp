// Runs a handshake, a configuration read and a full write with its read-back against the
// simulated detector, and prints for each the wall time, the nominal time of the line timing,
// their ratio and the process CPU time as a share of the wall time.
#include "DetectorSettings.h"
#include "MessageBoxAnswerer.h"
#include "SimControl.h"
#include "config.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

// Tick 2 ms; a command byte is 17 ticks, then a 4 ms end wait; a reply byte is 16 ticks and,
// in a configuration reply, a 160 ms pause; a write frame is 107 ticks.
constexpr double handshakeNominal = 34 + 4 + 32;
constexpr double readNominal = 34 + 4 + 6 * (32 + 160);
constexpr double writeNominal = 214 + 4 + 34 + 4 + readNominal;

void waitForEnd(config &link)
{
    if (!link.exchangeRunning())
        return;
    QEventLoop loop;
    QObject::connect(&link, &config::setButton, &loop, [&](bool on) {
        if (on && !link.exchangeRunning())
            loop.quit();
    });
    loop.exec();
}

void measure(
    const char *name, double nominal, int runs, config &link, const std::function<void()> &start)
{
    QElapsedTimer wall;
    const std::clock_t cpuStart = std::clock();
    wall.start();
    for (int i = 0; i < runs; ++i) {
        start();
        waitForEnd(link);
    }
    const double wallMs = double(wall.nsecsElapsed()) / 1e6 / runs;
    const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / runs;
    std::printf("%-22s %9.1f %11.1f %7.3f %8.1f%%\n", name, wallMs, nominal, wallMs / nominal,
        100.0 * cpuMs / wallMs);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sim_reset();
    DetectorSettings settings {4, 5, 6, 30, 0x01};
    config link(&settings);
    link.readAfterHandshake = false;
    MessageBoxAnswerer answerer;
    QEventLoop settle;
    QObject::connect(&link, &config::setButton, &settle, &QEventLoop::quit);
    settle.exec();
    waitForEnd(link);

    std::printf(
        "%-22s %9s %11s %7s %9s\n", "exchange", "wall ms", "nominal ms", "ratio", "CPU/wall");
    measure("handshake (x20)", handshakeNominal, 20, link, [&] { link.sendParamAA(); });
    measure("configuration read (x3)", readNominal, 3, link, [&] { link.sendParamA3(); });
    measure("write + read-back (x3)", writeNominal, 3, link, [&] { link.sendParamA6(); });
    std::printf("write verified: %s\n",
        answerer.texts().count("Конфигурация записана успешно") == 3 ? "yes" : "no");
    return 0;
}
