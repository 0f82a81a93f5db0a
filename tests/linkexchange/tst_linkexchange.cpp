// The command exchanges with the simulated detector: handshake, read, write with its
// read-back, the retry question and the date.
#include "ConfigForm.h"
#include "LinkHarness.h"
#include "MessageBoxAnswerer.h"
#include "SimControl.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

namespace {

const QString title = QStringLiteral("Конфигурация");
const QString written = QStringLiteral("Конфигурация записана успешно");
const QString notWritten = QStringLiteral("Ошибка при записи конфигурации");
const QString retry = QStringLiteral("Ошибка чтения конфигурации \n Повторить?");

QByteArray settingsBytes(const DetectorSettings &settings)
{
    QByteArray bytes(reinterpret_cast<const char *>(&settings), sizeof settings);
    return bytes;
}

QByteArray storedConfig()
{
    unsigned char stored[5];
    sim_get_config(stored);
    return QByteArray(reinterpret_cast<char *>(stored), 5);
}

} // namespace

class TestLinkExchange : public QObject
{
    Q_OBJECT

private slots:
    void startUpHandshakeReads();
    void handshakeWithoutRead();
    void handCheckBoxStartsHandshake();
    void badHandshakeKeepsReadRequest_data();
    void badHandshakeKeepsReadRequest();
    void read();
    void write_data();
    void write();
    void retryYes();
    void retryYesDuringVerification();
    void retryNoKeepsVerification();
    void dateDisplay_data();
    void dateDisplay();
};

void TestLinkExchange::startUpHandshakeReads()
{
    MessageBoxAnswerer answerer;
    LinkHarness harness(false);
    const QByteArray before = settingsBytes(harness.settings);
    QVERIFY(harness.link().readAfterHandshake);
    QVERIFY(harness.waitForEvent("action(0,0,33)"));

    QCOMPARE(harness.eventsWithoutProgress(),
        (QStringList {"setButton(false)", "handshake_ok", "setButton(false)", "setButton(false)",
            "getConfig(53 01 14 03 07 0f)", "setButton(true)", "action(0,0,33)"}));
    QVERIFY(!harness.link().readAfterHandshake);
    QVERIFY(harness.link().form->textEdit->toPlainText().contains("Config get OK\n"));
    QVERIFY(answerer.boxes().isEmpty());
    // The link reads the settings only to write them.
    QCOMPARE(settingsBytes(harness.settings), before);
}

void TestLinkExchange::handshakeWithoutRead()
{
    LinkHarness harness;
    harness.link().sendParamAA();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(harness.events, (QStringList {"setButton(false)", "handshake_ok", "setButton(true)"}));
    QVERIFY(!harness.link().readAfterHandshake);
    QCOMPARE(harness.link().handshakeCount, 2);
}

void TestLinkExchange::handCheckBoxStartsHandshake()
{
    LinkHarness harness;
    QCheckBox *hand = harness.link().form->hand;
    hand->click();
    QVERIFY(hand->isChecked());
    // The sender locks the box while the frame goes out; the receiver frees it again.
    QTRY_VERIFY(!hand->isEnabled());
    QVERIFY(harness.waitForEnd());
    QVERIFY(hand->isEnabled());
    QCOMPARE(harness.events, (QStringList {"setButton(false)", "handshake_ok", "setButton(true)"}));

    // Unchecking it while nothing runs starts nothing.
    hand->click();
    QTest::qWait(100);
    QCOMPARE(harness.events.size(), 3);
}

void TestLinkExchange::badHandshakeKeepsReadRequest_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("wrong reply") << true;
    QTest::newRow("no detector") << false;
}

void TestLinkExchange::badHandshakeKeepsReadRequest()
{
    QFETCH(bool, present);
    LinkHarness harness;
    sim_set_present(present);
    sim_set_handshake_reply(0x5A);
    harness.link().readAfterHandshake = true;
    harness.link().sendParamAA();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(harness.events, (QStringList {"setButton(false)", "setButton(true)", "disconnect"}));
    QVERIFY(harness.link().readAfterHandshake);

    // The read asked for happens after the next good handshake.
    sim_set_present(true);
    sim_set_handshake_reply(0x55);
    harness.events.clear();
    harness.link().sendParamAA();
    QVERIFY(harness.waitForEnd());
    QVERIFY(harness.events.contains("getConfig(53 01 14 03 07 0f)"));
    QVERIFY(!harness.link().readAfterHandshake);
}

void TestLinkExchange::read()
{
    MessageBoxAnswerer answerer;
    LinkHarness harness;
    const unsigned char stored[5] = {0x0E, 45, 0, 0xF0, 15};
    sim_set_config(stored);
    harness.clearLogs();
    harness.link().sendParamA3();
    QVERIFY(harness.waitForEnd());

    QCOMPARE(harness.eventsWithoutProgress(),
        (QStringList {"setButton(false)", "getConfig(53 0e 2d 00 f0 0f)", "setButton(true)",
            "action(0,0,33)"}));
    // Progress comes with every tick of the reception: (5, bit, byte) before the tick.
    QCOMPARE(harness.events.at(1), QString("action(5,7,0)"));
    QVERIFY(harness.events.contains("action(5,0,5)"));
    QVERIFY(harness.link().form->textEdit->toPlainText().endsWith("PINS\n\nConfig get OK\n"));
    QVERIFY(answerer.boxes().isEmpty());
}

void TestLinkExchange::write_data()
{
    QTest::addColumn<int>("faultIndex");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::newRow("matching read-back") << -1 << written << int(QMessageBox::Information);
    QTest::newRow("differing read-back") << 2 << notWritten << int(QMessageBox::Warning);
}

void TestLinkExchange::write()
{
    QFETCH(int, faultIndex);
    QFETCH(QString, message);
    QFETCH(int, icon);
    MessageBoxAnswerer answerer;
    LinkHarness harness;
    harness.settings = {3, 0, 12, 35, 0x04};
    sim_set_store_fault(faultIndex, 9);
    harness.link().sendParamA6();
    QVERIFY(harness.waitForEnd());

    const QByteArray expected = faultIndex < 0 ? QByteArray("\x04\x23\x03\x00\x0c", 5)
                                               : QByteArray("\x04\x23\x09\x00\x0c", 5);
    QCOMPARE(storedConfig(), expected);
    QCOMPARE(answerer.boxes().size(), 1);
    const MessageBoxAnswerer::Box box = answerer.boxes().first();
    QCOMPARE(box.title, title);
    QCOMPARE(box.text, message);
    QCOMPARE(int(box.icon), icon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box.hasParent);
    // The main window is shown what the detector holds, right or wrong.
    QCOMPARE(harness.eventsWithoutProgress(),
        (QStringList {"setButton(false)", "action(0,0,33)", "setButton(false)",
            "getConfig(53 " + expected.toHex(' ') + ")", "setButton(true)", "action(0,0,33)"}));
    QVERIFY(harness.events.contains("action(5,7,5)"));
    QVERIFY(!harness.link().verifyPending);
    QVERIFY(!harness.link().form->textEdit->toPlainText().contains("Busy"));
}

void TestLinkExchange::retryYes()
{
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    LinkHarness harness;
    harness.clearLogs();
    sim_set_marker_fault(1);
    harness.link().sendParamA3();
    QVERIFY(harness.waitForEnd());

    QCOMPARE(answerer.boxes().size(), 1);
    const MessageBoxAnswerer::Box box = answerer.boxes().first();
    QCOMPARE(box.title, title);
    QCOMPARE(box.text, retry);
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(!box.hasParent);
    QCOMPARE(harness.eventsWithoutProgress(),
        (QStringList {"setButton(false)", "setButton(false)", "getConfig(53 01 14 03 07 0f)",
            "setButton(true)", "action(0,0,33)"}));
    const QString log = harness.link().form->textEdit->toPlainText();
    QVERIFY(log.indexOf("Error config get\n") >= 0);
    QVERIFY(log.indexOf("Error config get\n") < log.indexOf("Config get OK\n"));
}

void TestLinkExchange::retryYesDuringVerification()
{
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    answerer.queueAnswer(QMessageBox::Yes);
    answerer.queueAnswer(QMessageBox::Ok);
    LinkHarness harness;
    harness.settings = {1, 1, 1, 10, 0x00};
    sim_set_marker_fault(1);
    harness.link().sendParamA6();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(answerer.texts(), (QStringList {retry, written}));
    QVERIFY(!harness.link().verifyPending);
}

void TestLinkExchange::retryNoKeepsVerification()
{
    MessageBoxAnswerer answerer(QMessageBox::No);
    LinkHarness harness;
    harness.settings = {2, 4, 6, 15, 0x01};
    sim_set_marker_fault(1);
    harness.link().sendParamA6();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(answerer.texts(), QStringList {retry});
    QVERIFY(harness.link().verifyPending);
    QCOMPARE(harness.eventsWithoutProgress().mid(3),
        (QStringList {"setButton(true)", "action(0,0,33)"}));

    // The next reply with its marker is still checked against what was written.
    answerer.setDefaultAnswer(QMessageBox::Ok);
    harness.link().sendParamA3();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(answerer.texts(), (QStringList {retry, written}));
    QVERIFY(!harness.link().verifyPending);
}

void TestLinkExchange::dateDisplay_data()
{
    QTest::addColumn<QByteArray>("date");
    QTest::addColumn<QString>("shown");
    QTest::newRow("26.12.06") << QByteArray("\x1a\x0c\x06\x00\x00\x09\x09", 7)
                              << "26  ; 12  ; 6  ; 0  ; 0  ; ";
    QTest::newRow("byte 0xFF") << QByteArray("\xff\x01\x02\x03\x7f\x09\x09", 7)
                               << "-1  ; 1  ; 2  ; 3  ; 127  ; ";
}

void TestLinkExchange::dateDisplay()
{
    QFETCH(QByteArray, date);
    QFETCH(QString, shown);
    LinkHarness harness;
    sim_set_date(reinterpret_cast<const unsigned char *>(date.constData()));
    harness.link().sendParamA2();
    QVERIFY(harness.waitForEnd());
    QCOMPARE(harness.link().form->lineEdit->text(), shown);
    QCOMPARE(
        harness.eventsWithoutProgress(), (QStringList {"setButton(false)", "setButton(true)"}));
}

QTEST_MAIN(TestLinkExchange)
#include "tst_linkexchange.moc"
