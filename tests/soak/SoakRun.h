#pragma once

#include "ChoosingBoxAnswerer.h"
#include "SoakTally.h"
#include "WindowInvariants.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>
#include <random>

class FaultInjector;
class LineTraceCheck;
class RunningConfigurator;
class UserActions;

// The real main window on the simulated detector for a given time, with random user actions,
// random answers to its message boxes and random faults, while the invariants are checked all
// the time. Prints exchanges, faults and boxes by kind and violations by invariant.
class SoakRun : public QObject
{
    Q_OBJECT

public:
    SoakRun(int seconds, unsigned seed);
    ~SoakRun() override;

    // Runs to the end and prints the figures; returns the number of violations.
    long long run();

private:
    using Bytes5 = std::array<std::uint8_t, 5>;
    struct Exchange
    {
        QString kind;
        qint64 started;
        qint64 budget; // milliseconds of line time allowed, boxes not counted
        qint64 inBoxes = 0;
        bool overran = false;
    };

    void sample();
    void userAction();
    void watchExchange(qint64 now, qint64 step);
    void startExchange(const QString &kind, qint64 now);
    void replyReceived(char in[6]);
    ChoosingBoxAnswerer::Answer boxShown(QMessageBox *box);
    void checkWriteMessage(bool success);
    void violation(const QString &rule);
    void violations(const QStringList &rules);
    bool settle(int timeout);
    static qint64 nominal(const QString &kind, bool readAfterHandshake);

    const int seconds;
    std::mt19937 random;
    SoakTally tally;
    std::unique_ptr<ChoosingBoxAnswerer> answerer;
    std::unique_ptr<RunningConfigurator> configurator;
    std::unique_ptr<LineTraceCheck> trace;
    std::unique_ptr<UserActions> actions;
    std::unique_ptr<FaultInjector> faults;
    QTimer sampler;
    QTimer actionTimer;
    QElapsedTimer clock;
    qint64 lastSample = 0;
    long long samples = 0;
    long long repliesChecked = 0;
    std::optional<Exchange> current;
    bool startedUp = false;
    bool buttonsMissing = false;
    bool hung = false;
    std::optional<Bytes5> written;
    WindowInvariants::Reply lastReply {};
};
