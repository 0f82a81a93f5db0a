// The fault soak: `virel_soak [SECONDS [SEED]]`, or SOAK_SECONDS and SOAK_SEED; 180 s and a
// seed from the clock by default. Exits non-zero on any violation.
#include "SimControl.h"
#include "SoakRun.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

long long setting(int argc, char **argv, int index, const char *variable, long long otherwise)
{
    if (argc > index)
        return std::atoll(argv[index]);
    return qEnvironmentVariableIsSet(variable) ? qEnvironmentVariable(variable).toLongLong()
                                               : otherwise;
}

// The offscreen platform says this each time a window is shown; thousands of times here.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")))
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const int seconds = int(setting(argc, argv, 1, "SOAK_SECONDS", 180));
    const auto seed = unsigned(setting(argc, argv, 2, "SOAK_SEED", now));
    // A detector that looks at its clock once a millisecond, off the PC's tick grid, as a
    // firmware loop does: a clock phase cut short turns into wrong bytes.
    sim_set_polling(1000, 370);
    SoakRun soak(seconds, seed);
    return soak.run() == 0 ? 0 : 1;
}
