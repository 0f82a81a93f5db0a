#include "MessageBoxAnswerer.h"
#include "ProgressRecorder.h"
#include "RunningConfigurator.h"

#include "SimControl.h"
#include "config.h"

#include <QProgressBar>
#include <QTest>

#include <algorithm>

using Wire = std::array<int, 5>; // flags, angle, level1, level2, level3
Q_DECLARE_METATYPE(Wire)

namespace {

const int exchangeTimeout = 6000;

} // namespace

class TestConfiguratorWrite : public QObject
{
    Q_OBJECT

private slots:
    void resetThenSave_data();
    void resetThenSave();
    void progressOverWrite();
};

void TestConfiguratorWrite::resetThenSave_data()
{
    QTest::addColumn<int>("faultIndex");
    QTest::addColumn<int>("faultValue");
    QTest::addColumn<Wire>("held");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");

    QTest::newRow("stored as written")
        << -1 << 0 << Wire {0, 5, 0, 0, 0} << QStringLiteral("Конфигурация записана успешно")
        << int(QMessageBox::Information);
    QTest::newRow("angle stored differently")
        << 1 << 30 << Wire {0, 30, 0, 0, 0} << QStringLiteral("Ошибка при записи конфигурации")
        << int(QMessageBox::Warning);
}

void TestConfiguratorWrite::resetThenSave()
{
    QFETCH(int, faultIndex);
    QFETCH(int, faultValue);
    QFETCH(Wire, held);
    QFETCH(QString, message);
    QFETCH(int, icon);

    MessageBoxAnswerer answerer;
    RunningConfigurator run;
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    sim_set_store_fault(faultIndex, static_cast<unsigned char>(faultValue));

    QTest::mouseClick(run.form().button_drop, Qt::LeftButton);
    QTest::mouseClick(run.form().save, Qt::LeftButton);
    QVERIFY(!run.form().save->isEnabled());
    QVERIFY(run.waitUntilIdle(exchangeTimeout));
    // Room for a second box, which must not come.
    RunningConfigurator::run(300);

    QCOMPARE(RunningConfigurator::detectorHolds(), held);
    QCOMPARE(answerer.texts(), QStringList {message});
    QCOMPARE(answerer.boxes().first().title, QStringLiteral("Конфигурация"));
    QCOMPARE(int(answerer.boxes().first().icon), icon);
    QVERIFY(!answerer.boxes().first().hasParent);
    run.checkShows(held);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!run.link()->verifyPending);
}

void TestConfiguratorWrite::progressOverWrite()
{
    MessageBoxAnswerer answerer;
    RunningConfigurator run;
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    ProgressRecorder progress(run.link(), run.probe().progressBar());

    QTest::mouseClick(run.form().save, Qt::LeftButton);
    QVERIFY(run.waitUntilIdle(exchangeTimeout));
    QCOMPARE(answerer.boxes().size(), 1);

    // The write frame: six bytes, the bar shown and climbing to its maximum.
    const QList<ProgressRecorder::Entry> frame = progress.segment(0);
    QVERIFY(!frame.isEmpty());
    QCOMPARE(frame.first().cgi, 0);
    QCOMPARE(frame.last().cgi, 5);
    QVERIFY(frame.first().visible);
    QCOMPARE(frame.first().value, 0);
    int bytesBegun = 0;
    for (const ProgressRecorder::Entry &entry : frame) {
        QCOMPARE(entry.maximum, 35);
        QVERIFY(entry.value >= 0 && entry.value <= 35);
        // Shown while it climbs, hidden once it has reached the end.
        QCOMPARE(entry.visible, entry.value < 35);
        // Each byte begins seven units further on.
        if (entry.step == 7) {
            QCOMPARE(entry.value, 7 * entry.cgi);
            ++bytesBegun;
        }
    }
    QVERIFY(bytesBegun >= 6);
    QCOMPARE(frame.last().value, 35);
    QVERIFY(!frame.last().visible);

    // The closing frame's end hides and resets it; the read-back shows it again and ends it.
    QCOMPARE(progress.endReports(), 2);
    const QList<ProgressRecorder::Entry> &all = progress.entries();
    const auto firstEnd = std::find_if(
        all.begin(), all.end(), [](const ProgressRecorder::Entry &e) { return e.cgi == 33; });
    QVERIFY(!firstEnd->visible);
    QCOMPARE(firstEnd->value, -1);
    QVERIFY(!progress.segment(1).isEmpty());
    QVERIFY(!all.last().visible);
    QCOMPARE(all.last().value, -1);
    QVERIFY(!run.probe().progressBar()->isVisible());
    QCOMPARE(run.probe().progressBar()->value(), -1);
}

QTEST_MAIN(TestConfiguratorWrite)
#include "tst_configuratorwrite.moc"
