// The service form, the bring-up of the bridge and the bridge set-up slots.
#include "ConfigForm.h"
#include "LineTrace.h"
#include "LinkHarness.h"
#include "SimControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void formCells_data();
    void formCells();
    void formStartState();
    void bringUpLogAndCalls();
    void mask_data();
    void mask();
    void setPinFailureStopsIdling();
    void defaultCheckToggles();
    void baudRate();

private:
    static QList<SimTraceEntry> calls() { return LineTrace::capture().calls(); }
};

void TestLink::init()
{
    sim_reset();
}

void TestLink::formCells_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("cell");
    QTest::newRow("label") << "label"
                           << "Конфигурация портов (0 - out, 1 - in )" << QList<int> {0, 0, 1, 3};
    QTest::newRow("setLine") << "setLine"
                             << "" << QList<int> {0, 3, 1, 2};
    QTest::newRow("set") << "set"
                         << "set" << QList<int> {0, 5, 1, 1};
    QTest::newRow("label_2") << "label_2"
                             << "Set baud rate" << QList<int> {1, 0, 1, 1};
    QTest::newRow("set_B") << "set_B"
                           << "set Baud" << QList<int> {1, 1, 2, 1};
    QTest::newRow("setCheck") << "setCheck"
                              << "default" << QList<int> {1, 3, 1, 2};
    QTest::newRow("comboBox") << "comboBox"
                              << "" << QList<int> {2, 0, 1, 1};
    QTest::newRow("textEdit") << "textEdit"
                              << "" << QList<int> {3, 0, 6, 2};
    QTest::newRow("send") << "send"
                          << "send config" << QList<int> {3, 2, 1, 3};
    QTest::newRow("read") << "read"
                          << "read (conf)" << QList<int> {4, 2, 1, 3};
    QTest::newRow("sendText") << "sendText"
                              << "" << QList<int> {5, 2, 1, 4};
    QTest::newRow("pushButton_3") << "pushButton_3"
                                  << "CLRSCR" << QList<int> {6, 2, 1, 2};
    QTest::newRow("hand") << "hand"
                          << "HandShake" << QList<int> {7, 2, 1, 3};
    QTest::newRow("pushButton") << "pushButton"
                                << "ok" << QList<int> {8, 2, 1, 2};
    QTest::newRow("pushButton_2") << "pushButton_2"
                                  << "cancel" << QList<int> {8, 4, 1, 1};
    QTest::newRow("btn_dt") << "btn_dt"
                            << "dt" << QList<int> {6, 5, 1, 1};
    QTest::newRow("lineEdit") << "lineEdit"
                              << "" << QList<int> {2, 3, 1, 2};
    QTest::newRow("getDT") << "getDT"
                           << "GET dt" << QList<int> {6, 4, 1, 1};
}

void TestLink::formCells()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QList<int>, cell);
    QWidget host;
    ConfigForm form;
    form.setupForm(&host);
    auto *widget = host.findChild<QWidget *>(name);
    QVERIFY(widget);
    int row = -1, column = -1, rowSpan = -1, columnSpan = -1;
    form.gridLayout->getItemPosition(
        form.gridLayout->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE((QList<int> {row, column, rowSpan, columnSpan}), cell);
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), text);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
}

void TestLink::formStartState()
{
    QWidget host;
    ConfigForm form;
    form.setupForm(&host);
    QCOMPARE(host.objectName(), QString("config"));
    QCOMPARE(host.windowTitle(), QString("Form"));
    QCOMPARE(host.size(), QSize(537, 409));
    QStringList items;
    for (int i = 0; i < form.comboBox->count(); ++i)
        items << form.comboBox->itemText(i);
    QCOMPARE(items, (QStringList {"100", "200", "300", "500", "1000", "9600"}));
    QCOMPARE(form.comboBox->currentText(), QString("300"));
    QVERIFY(!form.send->isEnabled());
    QVERIFY(!form.read->isEnabled());
    // The selection survives a second translation pass only because it is made afterwards.
    form.retranslateForm(&host);
    QCOMPARE(form.comboBox->count(), 6);

    LinkHarness harness(false);
    ConfigForm *linkForm = harness.link().form;
    QVERIFY(linkForm->hand->isHidden());
    QVERIFY(linkForm->setCheck->isChecked());
    QVERIFY(!linkForm->setLine->isEnabled());
    QCOMPARE(linkForm->setLine->text(), QString("11110000"));
    QCOMPARE(linkForm->comboBox->currentText(), QString("300"));
}

void TestLink::bringUpLogAndCalls()
{
    LinkHarness harness(false, true);
    const QString log = harness.link().form->textEdit->toPlainText();
    QVERIFY2(log.startsWith(">> DLL has been loaded\n\n"), qPrintable(log));
    QCOMPARE(harness.logLines(),
        (QStringList {">> DLL has been loaded", ">> The MCP2200 was successfully initialized.",
            ">> The device is CONNECTED", ">> success configure MCP",
            ">> success configure IO11110000", ">> success setting PINS",
            ">> success setting PINS"}));
    // The MCP line ends in a single line feed, so no blank line follows it.
    QVERIFY(log.contains(">> success configure MCP\n\n>> success configure IO11110000\n\n\n"));

    QList<SimCall> kinds;
    QList<unsigned long> args;
    for (const SimTraceEntry &entry : calls()) {
        kinds << entry.call;
        args << entry.arg;
    }
    QCOMPARE(kinds,
        (QList<SimCall> {SIM_INIT_MCP2200, SIM_IS_CONNECTED, SIM_CONFIGURE_MCP2200,
            SIM_CONFIGURE_IO, SIM_SET_PIN, SIM_SET_PIN, SIM_SET_PIN, SIM_SET_PIN}));
    QCOMPARE(args, (QList<unsigned long> {0x04D8, 0, 240, 240, 2, 3, 2, 3}));
    const QList<SimTraceEntry> made = calls();
    QCOMPARE(made.at(0).more[0], 0x00DFul);
    const QList<unsigned long> configureArgs(made.at(2).more, made.at(2).more + 6);
    QCOMPARE(configureArgs, (QList<unsigned long> {6000000, 0, 0, 0, 0, 0}));
    QCOMPARE(sim_io_mask(), 240u);
    QCOMPARE(sim_pin_level(2), 1);
    QCOMPARE(sim_pin_level(3), 1);
}

void TestLink::mask_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("mask"); // -1: nothing reaches the bridge
    QTest::addColumn<QString>("lastLog");
    QTest::newRow("default") << "11110000"
                             << "11110000" << 240 << ">> success setting PINS";
    QTest::newRow("256") << "100000000"
                         << "11111111" << 255 << ">> ERROR setting PINS";
    QTest::newRow("-1") << "-1"
                        << "11111111" << 255 << ">> ERROR setting PINS";
    QTest::newRow("blanks") << " 10000000 "
                            << "10000000" << 128 << ">> success setting PINS";
    QTest::newRow("0") << "0"
                       << "0" << 0 << ">> success setting PINS";
    QTest::newRow("empty") << ""
                           << "ERROR!" << -1 << "";
    QTest::newRow("12") << "12"
                        << "ERROR!" << -1 << "";
    QTest::newRow("0b prefix") << "0b11110000"
                               << "ERROR!" << -1 << "";
    QTest::newRow("signed 0B prefix") << "-0B1"
                                      << "ERROR!" << -1 << "";
    QTest::newRow("NUL inside") << QString::fromLatin1("1000\0"
                                                       "0100",
        9) << "ERROR!" << -1 << "";
}

void TestLink::mask()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, mask);
    QFETCH(QString, lastLog);
    LinkHarness harness(false);
    ConfigForm *form = harness.link().form;
    form->setCheck->click();
    QVERIFY(form->setLine->isEnabled());
    form->setLine->setText(typed);
    harness.clearLogs();
    LinkHarness::startTrace();
    form->set->click();

    QCOMPARE(form->setLine->text(), shown);
    const QList<SimTraceEntry> made = calls();
    if (mask < 0) {
        QVERIFY(made.isEmpty());
        QVERIFY(harness.logLines().isEmpty());
        return;
    }
    QVERIFY(made.size() >= 3);
    QCOMPARE(made.at(0).call, SIM_CONFIGURE_MCP2200);
    QCOMPARE(made.at(0).arg, (unsigned long)mask);
    QCOMPARE(made.at(1).call, SIM_CONFIGURE_IO);
    QCOMPARE(made.at(1).arg, (unsigned long)mask);
    QCOMPARE(made.at(2).call, SIM_SET_PIN);
    QCOMPARE(made.at(2).arg, 2ul);
    QCOMPARE(sim_io_mask(), unsigned(mask));
    const QStringList lines = harness.logLines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(1), ">> success configure IO" + shown);
    QCOMPARE(lines.last(), lastLog);
}

void TestLink::setPinFailureStopsIdling()
{
    LinkHarness harness(false);
    harness.clearLogs();
    sim_set_call_fails(SIM_SET_PIN, true);
    sim_set_call_fails(SIM_CONFIGURE_MCP2200, true);
    LinkHarness::startTrace();
    harness.link().set();

    QCOMPARE(harness.logLines(),
        (QStringList {">> Invalid command MCP2200", ">> success configure IO11110000",
            ">> ERROR setting PINS"}));
    const LineTrace trace = LineTrace::capture();
    QCOMPARE(trace.count(SIM_SET_PIN, 2), 1);
    QCOMPARE(trace.count(SIM_SET_PIN, 3), 0);

    sim_set_call_fails(SIM_CONFIGURE_IO, true);
    harness.clearLogs();
    harness.link().set();
    QCOMPARE(harness.logLines().at(1), QString(">> Invalid command IO"));
}

void TestLink::defaultCheckToggles()
{
    LinkHarness harness(false);
    ConfigForm *form = harness.link().form;
    LinkHarness::startTrace();
    form->setCheck->click();
    QVERIFY(!form->setCheck->isChecked());
    QVERIFY(form->setLine->isEnabled());
    QCOMPARE(form->setLine->text(), QString("11110000"));
    form->setLine->setText("1");
    form->setCheck->click();
    QVERIFY(!form->setLine->isEnabled());
    QCOMPARE(form->setLine->text(), QString("11110000"));
    QVERIFY(calls().isEmpty());
}

void TestLink::baudRate()
{
    LinkHarness harness(false);
    ConfigForm *form = harness.link().form;
    harness.clearLogs();
    form->set_B->click();
    QCOMPARE(sim_baud_rate(), 300u);
    form->comboBox->setCurrentIndex(5);
    form->set_B->click();
    QCOMPARE(sim_baud_rate(), 9600u);
    QCOMPARE(harness.logLines(), (QStringList {">> Baud rate set300", ">> Baud rate set9600"}));
    sim_set_call_fails(SIM_SET_BAUD_RATE, true);
    form->set_B->click();
    QCOMPARE(harness.logLines().last(), QString(">> Error setting baud rate"));
}

QTEST_MAIN(TestLink)
#include "tst_link.moc"
