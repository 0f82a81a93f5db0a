#include "MessageBoxAnswerer.h"
#include "RunningConfigurator.h"

#include "SimControl.h"
#include "config.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString notConnected = QStringLiteral("Нет подключения");
const QString connected = QStringLiteral("Подключено");

} // namespace

class TestConfiguratorWatch : public QObject
{
    Q_OBJECT

private slots:
    void startUpWithoutDetector();
};

// The one test that waits for the watch's own ten seconds.
void TestConfiguratorWatch::startUpWithoutDetector()
{
    MessageBoxAnswerer answerer;
    RunningConfigurator run(RunningConfigurator::Detector::Absent);
    MainWindowForm &f = run.form();
    QSignalSpy received(run.link(), &config::signal_getConfig);
    QSignalSpy answered(run.link(), &config::signal_handshake_ok);
    bool enabledWhenReported = false;
    QElapsedTimer sinceFailure;
    connect(run.link(), &config::signal_disconnect, this, [&] {
        enabledWhenReported = f.get->isEnabled() && f.save->isEnabled();
        sinceFailure.start();
    });

    QVERIFY(run.waitForStartUp(3000));
    QVERIFY(sinceFailure.isValid());
    QVERIFY(enabledWhenReported);
    QCOMPARE(run.probe().connectionLabel()->text(), notConnected);
    QCOMPARE(run.probe().dotColour(), QColor(Qt::red));
    QCOMPARE(received.size(), 0);
    QVERIFY(run.link()->readAfterHandshake);
    QCOMPARE(run.probe().stored(), (QList<int> {0, 0, 0, 5, 0x0E}));

    // Plugged in now: nothing happens until the watch's next handshake, which also reads.
    sim_set_present(true);
    QVERIFY(RunningConfigurator::runUntil([&] { return answered.size() > 0; }, 12000));
    QVERIFY2(sinceFailure.elapsed() >= 9500, qPrintable(QString::number(sinceFailure.elapsed())));
    QCOMPARE(run.probe().connectionLabel()->text(), connected);
    QCOMPARE(run.probe().dotColour(), QColor(Qt::green));
    QVERIFY(run.waitUntilIdle(5000));
    QCOMPARE(received.size(), 1);
    QCOMPARE(answered.size(), 1);
    run.checkShows({0x01, 20, 3, 7, 15});
    QVERIFY(answerer.boxes().isEmpty());
}

QTEST_MAIN(TestConfiguratorWatch)
#include "tst_configuratorwatch.moc"
