#include "MessageBoxAnswerer.h"
#include "RunningConfigurator.h"

#include "SimControl.h"
#include "config.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

const int exchangeTimeout = 6000;

} // namespace

class TestConfiguratorLifetime : public QObject
{
    Q_OBJECT

private slots:
    void closing_data();
    void closing();
    void destroyedWhenIdle();
    void destroyedDuringWrite();
    void destroyedDuringReadWait();
    void destroyedAfterEventLoop();

private:
    static bool lineStaysQuiet();
};

// Once the link is gone nothing may drive the bridge any more.
bool TestConfiguratorLifetime::lineStaysQuiet()
{
    sim_trace_clear();
    sim_trace_enable(true);
    RunningConfigurator::run(300);
    sim_trace_enable(false);
    return sim_trace_size() == 0;
}

void TestConfiguratorLifetime::closing_data()
{
    QTest::addColumn<bool>("serviceForm");
    QTest::addColumn<bool>("aboutDialog");
    QTest::newRow("main window alone") << false << false;
    QTest::newRow("about dialog open") << false << true;
    QTest::newRow("service form open") << true << false;
}

// The program's own event loop ends only when the last window that counts has been closed.
void TestConfiguratorLifetime::closing()
{
    QFETCH(bool, serviceForm);
    QFETCH(bool, aboutDialog);
    RunningConfigurator run;
    QVERIFY(QTest::qWaitForWindowExposed(run.window()));
    if (serviceForm) {
        run.form().pushButton_cfg->show();
        QTest::mouseClick(run.form().pushButton_cfg, Qt::LeftButton);
        QVERIFY(run.link()->isVisible());
    }
    if (aboutDialog)
        run.form().action_3->trigger();

    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    int closedBeforeServiceForm = -1;
    QTimer closeMain;
    closeMain.setSingleShot(true);
    connect(&closeMain, &QTimer::timeout, run.window(), &QWidget::close);
    QTimer closeService;
    closeService.setSingleShot(true);
    connect(&closeService, &QTimer::timeout, run.link(), [&] {
        closedBeforeServiceForm = lastClosed.size();
        run.link()->close();
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    connect(&giveUp, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });

    closeMain.start(50);
    closeService.start(300);
    giveUp.start(5000);
    const int result = QApplication::exec();
    const bool serviceFormClosed = !closeService.isActive();
    closeService.stop();
    giveUp.stop();

    QCOMPARE(result, 0);
    QCOMPARE(lastClosed.size(), 1);
    QVERIFY(!run.window()->isVisible());
    QCOMPARE(serviceFormClosed, serviceForm);
    if (serviceForm)
        QCOMPARE(closedBeforeServiceForm, 0);
}

void TestConfiguratorLifetime::destroyedWhenIdle()
{
    RunningConfigurator run;
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    const QPointer<config> link = run.link();
    run.destroyWindow();
    QVERIFY(link.isNull());
}

// Gone between two ticks of the write frame: the link goes too, and nothing runs on.
void TestConfiguratorLifetime::destroyedDuringWrite()
{
    MessageBoxAnswerer answerer;
    RunningConfigurator run;
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    const QPointer<config> link = run.link();
    bool destroyed = false;
    connect(link, &config::action, this, [&](int total, int, int cgi) {
        if (total == 5 && cgi == 2 && !destroyed) {
            destroyed = true;
            QTimer::singleShot(0, this, [&] { run.destroyWindow(); });
        }
    });

    QTest::mouseClick(run.form().save, Qt::LeftButton);
    QVERIFY(RunningConfigurator::runUntil([&] { return destroyed && !run.window(); }, 3000));
    QVERIFY(run.waitForLinkGone(exchangeTimeout));
    QVERIFY(lineStaysQuiet());
}

// Gone while the link waits between two reply bytes, inside the link's own slot: the window's
// destructor then runs in a nested event loop below which the link's slot is still on the stack.
void TestConfiguratorLifetime::destroyedDuringReadWait()
{
    MessageBoxAnswerer answerer;
    RunningConfigurator run;
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    const QPointer<config> link = run.link();
    int tickLevel = -1;
    int destroyLevel = -1;
    bool runningThen = false;
    connect(link, &config::action, this, [&](int total, int step, int cgi) {
        if (total != 5 || cgi != 1 || step != 0 || tickLevel >= 0)
            return;
        tickLevel = int(QThread::currentThread()->loopLevel());
        // The pause after this byte lasts far longer than this.
        QTimer::singleShot(20, Qt::PreciseTimer, this, [&] {
            destroyLevel = int(QThread::currentThread()->loopLevel());
            runningThen = link && link->exchangeRunning();
            run.destroyWindow();
        });
    });

    QTest::mouseClick(run.form().get, Qt::LeftButton);
    QVERIFY(RunningConfigurator::runUntil([&] { return !run.window(); }, 3000));
    QVERIFY(destroyLevel > tickLevel);
    QVERIFY(runningThen);
    QVERIFY(run.waitForLinkGone(exchangeTimeout));
    QVERIFY(lineStaysQuiet());
}

// As at the end of main: the event loop has returned in the middle of a write, the window goes,
// and the deferred deletion is carried out by hand before the application object goes.
void TestConfiguratorLifetime::destroyedAfterEventLoop()
{
    MessageBoxAnswerer answerer;
    RunningConfigurator run;
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    const QPointer<config> link = run.link();
    int cgi = -1;
    connect(link, &config::action, this, [&](int, int, int byte) { cgi = byte; });
    QTest::mouseClick(run.form().save, Qt::LeftButton);
    QVERIFY(RunningConfigurator::runUntil([&] { return cgi == 2; }, 3000));

    QVERIFY(link->exchangeRunning());
    run.destroyWindow();
    QVERIFY(!link.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(link.isNull());
    QVERIFY(lineStaysQuiet());
}

QTEST_MAIN(TestConfiguratorLifetime)
#include "tst_configuratorlifetime.moc"
