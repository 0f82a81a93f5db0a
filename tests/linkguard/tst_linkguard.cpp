// What keeps the link in order over time: one exchange at a time, the write snapshot, the
// connection watch and the periodic clearing of the service logs.
#include "ChoosingBoxAnswerer.h"
#include "ConfigForm.h"
#include "LinkHarness.h"
#include "MessageBoxAnswerer.h"
#include "SimControl.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>

namespace {

const QString busyLine = QStringLiteral(">> Busy: command ignored");

} // namespace

class TestLinkGuard : public QObject
{
    Q_OBJECT

private slots:
    void busyRefusesEveryOtherStart();
    void busyKeepsWriteChain();
    void busyKeepsBridgeSettings();
    void writeSendsSnapshot();
    void watchRestartedBySetButton();
    void watchStartsHandshake();
    void eleventhHandshakeClearsLogs();
    void deletedDuringPause_data();
    void deletedDuringPause();
};

void TestLinkGuard::busyRefusesEveryOtherStart()
{
    LinkHarness harness;
    config &link = harness.link();
    harness.clearLogs();
    link.sendParamA3();
    QVERIFY(link.exchangeRunning());
    QTest::qWait(50);
    const QString bitsBefore = harness.bitLog();

    link.sendParamAA();
    link.sendParamA3();
    link.sendParamA6();
    link.sendParamA1();
    link.sendParamA2();
    link.sendParam();
    link.readParam();
    link.form->hand->click();
    link.form->btn_dt->click();
    link.form->getDT->click();
    QCOMPARE(harness.logLines().count(busyLine), 10);
    QCOMPARE(harness.bitLog(), bitsBefore);

    QVERIFY(harness.waitForEnd());
    QCOMPARE(harness.eventsWithoutProgress(),
        (QStringList {"setButton(false)", "getConfig(53 01 14 03 07 0f)", "setButton(true)",
            "action(0,0,33)"}));
    // Once the exchange has ended, starts are accepted again.
    link.sendParamAA();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(harness.logLines().count(busyLine), 10);
    QVERIFY(harness.events.contains("handshake_ok"));
}

void TestLinkGuard::busyKeepsBridgeSettings()
{
    // Reconfiguring the bridge during a frame would move the clock and data lines under it.
    LinkHarness harness;
    config &link = harness.link();
    harness.clearLogs();
    link.sendParamA3();
    QTest::qWait(50);
    sim_trace_clear();
    sim_trace_enable(true);
    link.form->set->click();
    link.form->set_B->click();
    sim_trace_enable(false);
    QCOMPARE(sim_trace_size(), size_t(0));
    QCOMPARE(harness.logLines().count(busyLine), 2);
    QVERIFY(harness.waitForEnd());
    QCOMPARE(
        harness.eventsWithoutProgress().mid(1, 1), QStringList {"getConfig(53 01 14 03 07 0f)"});
}

void TestLinkGuard::busyKeepsWriteChain()
{
    // A write chains 0xA6, 0xA9 and a read-back; a handshake that asks for a read chains a read.
    MessageBoxAnswerer answerer;
    LinkHarness harness(false);
    QVERIFY(harness.waitForEvent("action(0,0,33)"));
    harness.link().sendParamA6();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(answerer.texts(), QStringList {"Конфигурация записана успешно"});
    QVERIFY(!harness.link().form->textEdit->toPlainText().contains("Busy"));
}

void TestLinkGuard::writeSendsSnapshot()
{
    MessageBoxAnswerer answerer;
    LinkHarness harness;
    harness.settings = {1, 2, 3, 10, 0x00};
    // Move every setting while the frame is on the wire, in the middle of its third byte.
    QObject::connect(
        &harness.link(), &config::action, &harness.link(), [&](int, int bit, int byte) {
            if (byte == 2 && bit == 4)
                harness.settings = {15, 14, 13, 45, 0x0E};
        });
    harness.link().sendParamA6();
    QVERIFY(harness.waitForEnd());

    unsigned char stored[5];
    sim_get_config(stored);
    QCOMPARE(
        QByteArray(reinterpret_cast<char *>(stored), 5), QByteArray("\x00\x0a\x01\x02\x03", 5));
    QCOMPARE(answerer.texts(), QStringList {"Конфигурация записана успешно"});
    QCOMPARE(harness.settings.level1, std::int8_t(15));
}

void TestLinkGuard::watchRestartedBySetButton()
{
    LinkHarness harness;
    config &link = harness.link();
    auto *watch = link.findChild<QTimer *>("watchTimer");
    QVERIFY(watch);
    QVERIFY(watch->isActive());
    QCOMPARE(watch->interval(), 10000);

    link.sendParamAA();
    QVERIFY(!watch->isActive());
    QVERIFY(harness.waitForEnd());
    QVERIFY(watch->isActive());

    QTest::qWait(300);
    QVERIFY2(watch->remainingTime() < 9800, qPrintable(QString::number(watch->remainingTime())));
    emit link.setButton(true);
    QVERIFY(watch->remainingTime() > 9900);
    emit link.setButton(false);
    QVERIFY(!watch->isActive());
    link.connection_timer(true);
    QVERIFY(watch->isActive());
}

void TestLinkGuard::watchStartsHandshake()
{
    LinkHarness harness;
    auto *watch = harness.link().findChild<QTimer *>("watchTimer");
    QVERIFY(watch);
    // Shortened here only so that the test need not wait ten seconds.
    watch->start(20);
    QTRY_VERIFY(harness.events.contains("handshake_ok"));
    QVERIFY(harness.waitForEnd());
    QCOMPARE(watch->interval(), 10000);
}

void TestLinkGuard::eleventhHandshakeClearsLogs()
{
    LinkHarness harness;
    config &link = harness.link();
    QCOMPARE(link.handshakeCount, 1);
    while (link.handshakeCount < 10) {
        link.sendParamAA();
        QVERIFY(harness.waitForEnd());
    }
    QVERIFY(harness.logLines().count() > 20);
    QVERIFY(harness.bitLog().count("10101010|\n") == 10);

    link.sendParamAA();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(link.handshakeCount, 0);
    // Cleared at the end of the eleventh 0xAA frame; only its reply is logged after that.
    QCOMPARE(harness.logLines(), QStringList {">> success setting PINS"});
    QCOMPARE(harness.bitLog(), QString("01010101||\n"));
}

void TestLinkGuard::deletedDuringPause_data()
{
    QTest::addColumn<bool>("inQuestion");
    QTest::newRow("between reply bytes") << false;
    QTest::newRow("in the retry question") << true;
}

// The link's owner may delete it from an event handled while the link waits: the pause
// between reply bytes, or a message box. The link must not touch itself afterwards.
void TestLinkGuard::deletedDuringPause()
{
    QFETCH(bool, inQuestion);
    LinkHarness harness;
    bool deleted = false;
    std::unique_ptr<ChoosingBoxAnswerer> answerer;
    if (inQuestion) {
        sim_set_marker_fault(1);
        // Deleted from the box's own event loop, then the box closed as its title bar would.
        answerer = std::make_unique<ChoosingBoxAnswerer>([&](QMessageBox *) {
            QTimer::singleShot(0, [&] {
                harness.destroyLink();
                deleted = true;
            });
            return ChoosingBoxAnswerer::Answer {QMessageBox::NoButton, 5};
        });
    } else {
        QObject::connect(
            &harness.link(), &config::action, &harness.link(), [&](int, int bit, int byte) {
                if (byte == 5 && bit == 0)
                    QTimer::singleShot(60, [&] {
                        harness.destroyLink();
                        deleted = true;
                    });
            });
    }
    LinkHarness::startTrace();
    harness.link().sendParamA3();
    QTRY_VERIFY(deleted);
    const size_t calls = sim_trace_size();
    QTest::qWait(100);
    QCOMPARE(sim_trace_size(), calls);
}

QTEST_MAIN(TestLinkGuard)
#include "tst_linkguard.moc"
