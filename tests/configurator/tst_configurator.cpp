#include "MessageBoxAnswerer.h"
#include "ProgressRecorder.h"
#include "RunningConfigurator.h"

#include "AboutDilog.h"
#include "ConfigForm.h"
#include "SimControl.h"
#include "config.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <vector>

using Wire = std::array<int, 5>; // flags, angle, level1, level2, level3
Q_DECLARE_METATYPE(Wire)

namespace {

const QString notConnected = QStringLiteral("Нет подключения");
const QString connected = QStringLiteral("Подключено");
const int exchangeTimeout = 6000;

} // namespace

class TestConfigurator : public QObject
{
    Q_OBJECT

private slots:
    void startUpWithDetector();
    void readButton();
    void aboutOpensServiceForm();
    void detectorUnplugged();
};

void TestConfigurator::startUpWithDetector()
{
    MessageBoxAnswerer answerer;
    QElapsedTimer clock;
    clock.start();
    RunningConfigurator run;
    MainWindowForm &f = run.form();
    ProgressRecorder progress(run.link(), run.probe().progressBar());

    qint64 handshakeAt = -1;
    std::vector<int> handshakeFrame;
    bool buttonsDuringRead = true;
    QObject::connect(run.link(), &config::signal_handshake_ok, run.link(), [&] {
        handshakeAt = clock.elapsed();
        handshakeFrame = RunningConfigurator::lastFrame();
    });
    QObject::connect(run.link(), &config::action, run.link(),
        [&] { buttonsDuringRead = buttonsDuringRead && f.get->isEnabled(); });

    QCOMPARE(run.probe().connectionLabel()->text(), notConnected);
    QCOMPARE(run.probe().dotColour(), QColor(Qt::red));
    QVERIFY(!f.get->isEnabled());

    QVERIFY(RunningConfigurator::runUntil([&] { return handshakeAt >= 0; }, 3000));
    QVERIFY2(handshakeAt >= 500, qPrintable(QString::number(handshakeAt)));
    QCOMPARE(handshakeFrame, std::vector<int>({0xAA}));
    QCOMPARE(run.probe().connectionLabel()->text(), connected);
    QCOMPARE(run.probe().dotColour(), QColor(Qt::green));

    QVERIFY(run.waitUntilIdle(exchangeTimeout));
    QCOMPARE(RunningConfigurator::lastFrame(), std::vector<int>({0xA3}));

    // Six bytes read, the bar climbing while they come in and reset at the end.
    const QList<ProgressRecorder::Entry> reading = progress.segment(0);
    QCOMPARE(progress.endReports(), 1);
    QVERIFY(!reading.isEmpty());
    QCOMPARE(reading.first().cgi, 0);
    QCOMPARE(reading.last().cgi, 5);
    int shown = 0;
    for (int i = 0; i < reading.size(); ++i) {
        shown += reading[i].visible;
        QCOMPARE(reading[i].maximum, 35);
        if (i > 0)
            QVERIFY(reading[i].value >= reading[i - 1].value);
    }
    QVERIFY(shown > 0);
    QVERIFY(!buttonsDuringRead);
    QVERIFY(!run.probe().progressBar()->isVisible());
    QCOMPARE(run.probe().progressBar()->value(), -1);

    run.checkShows({0x01, 20, 3, 7, 15});
    if (QTest::currentTestFailed())
        return;
    for (QSlider *slider : {f.horizontalSlider, f.horizontalSlider_2, f.horizontalSlider_3})
        QVERIFY(slider->isEnabled());
    QVERIFY(f.save->isEnabled());
    QVERIFY(f.get->isEnabled());
    QVERIFY(run.link()->form->textEdit->toPlainText().contains(QStringLiteral("Config get OK")));
    QVERIFY(answerer.boxes().isEmpty());
}

void TestConfigurator::readButton()
{
    MessageBoxAnswerer answerer;
    RunningConfigurator run;
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    const Wire changed = {0x00, 35, 1, 2, 4};
    RunningConfigurator::detectorStores(changed);

    std::vector<std::vector<int>> handshakes;
    QObject::connect(run.link(), &config::signal_handshake_ok, run.link(),
        [&] { handshakes.push_back(RunningConfigurator::lastFrame()); });
    QSignalSpy received(run.link(), &config::signal_getConfig);

    QTest::mouseClick(run.form().get, Qt::LeftButton);
    QVERIFY(!run.form().get->isEnabled());
    // A second click while the exchange runs reaches nothing.
    QTest::mouseClick(run.form().get, Qt::LeftButton);
    QVERIFY(run.waitUntilIdle(exchangeTimeout));

    QCOMPARE(handshakes.size(), size_t(1));
    QCOMPARE(handshakes.front(), std::vector<int>({0xAA}));
    QCOMPARE(received.size(), 1);
    QCOMPARE(RunningConfigurator::lastFrame(), std::vector<int>({0xA3}));
    QVERIFY(!run.link()->readAfterHandshake);
    run.checkShows(changed);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(answerer.boxes().isEmpty());
}

void TestConfigurator::aboutOpensServiceForm()
{
    MessageBoxAnswerer answerer;
    RunningConfigurator run;
    QVERIFY(QTest::qWaitForWindowExposed(run.window()));
    MainWindowForm &f = run.form();
    auto *about = run.window()->findChild<AboutDilog *>();
    QVERIFY(about);

    // "Справка" in the menu bar, then "О программе" in its menu.
    QTest::mouseClick(f.menuBar, Qt::LeftButton, Qt::NoModifier,
        f.menuBar->actionGeometry(f.menu_2->menuAction()).center());
    QVERIFY(RunningConfigurator::runUntil([&] { return f.menu_2->isVisible(); }, 3000));
    QTest::mouseClick(
        f.menu_2, Qt::LeftButton, Qt::NoModifier, f.menu_2->actionGeometry(f.action_3).center());
    QVERIFY(RunningConfigurator::runUntil([&] { return about->isVisible(); }, 3000));

    const Qt::Key code[] = {Qt::Key_6, Qt::Key_0, Qt::Key_4, Qt::Key_3, Qt::Key_1};
    for (Qt::Key key : code) {
        QTest::keyClick(about, key);
        QVERIFY(!f.pushButton_cfg->isVisible());
    }
    QTest::keyClick(about, Qt::Key_7);
    QVERIFY(f.pushButton_cfg->isVisible());

    QVERIFY(!run.link()->isVisible());
    QTest::mouseClick(f.pushButton_cfg, Qt::LeftButton);
    QVERIFY(RunningConfigurator::runUntil([&] { return run.link()->isVisible(); }, 3000));
    QVERIFY(run.link()->isWindow());
    QVERIFY(run.link()->form->textEdit->toPlainText().contains(
        QStringLiteral(">> DLL has been loaded")));

    QTest::keyClick(about, Qt::Key_5);
    QVERIFY(!f.pushButton_cfg->isVisible());
    QVERIFY(run.link()->isVisible());
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    QVERIFY(answerer.boxes().isEmpty());
}

void TestConfigurator::detectorUnplugged()
{
    MessageBoxAnswerer answerer;
    RunningConfigurator run;
    QVERIFY(run.waitForStartUp(exchangeTimeout));
    QCOMPARE(run.probe().connectionLabel()->text(), connected);
    QSignalSpy received(run.link(), &config::signal_getConfig);

    sim_set_present(false);
    run.hurryWatch();
    QVERIFY(RunningConfigurator::runUntil(
        [&] { return run.probe().connectionLabel()->text() == notConnected; }, 3000));
    QCOMPARE(run.probe().dotColour(), QColor(Qt::red));
    QVERIFY(run.waitUntilIdle());

    // Plugged in again: the watch shows it, and reads nothing nobody asked for.
    sim_set_present(true);
    run.hurryWatch();
    QVERIFY(RunningConfigurator::runUntil(
        [&] { return run.probe().connectionLabel()->text() == connected; }, 3000));
    QCOMPARE(run.probe().dotColour(), QColor(Qt::green));
    QVERIFY(run.waitUntilIdle());
    QCOMPARE(received.size(), 0);
    run.checkShows({0x01, 20, 3, 7, 15});
    if (QTest::currentTestFailed())
        return;
    QVERIFY(answerer.boxes().isEmpty());
}

QTEST_MAIN(TestConfigurator)
#include "tst_configurator.moc"
