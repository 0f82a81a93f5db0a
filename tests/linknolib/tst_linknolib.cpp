// The link with no usable bridge library: nothing is called, and every exchange runs its
// course as on a line with nothing on it.
#include "BridgeLibrary.h"
#include "ConfigForm.h"
#include "MessageBoxAnswerer.h"
#include "config.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

namespace {

#ifdef LIBRARY_FILE_BROKEN
const BridgeLibrary::LoadResult expectedResult = BridgeLibrary::LoadResult::Failed;
const QString loadLine = QStringLiteral(">> Loading of the DLL failed");
#else
const BridgeLibrary::LoadResult expectedResult = BridgeLibrary::LoadResult::NotFound;
const QString loadLine = QStringLiteral(">> There was an error finding the specified DLL.");
#endif

const QStringList allEntryPoints {"InitMCP2200", "IsConnected", "ConfigureIO", "SetPin", "ClearPin",
    "ReadPin", "fnSetBaudRate", "ConfigureMCP2200"};

bool waitForEnd(config &link)
{
    QSignalSpy buttons(&link, &config::setButton);
    QDeadlineTimer deadline(8000);
    while (link.exchangeRunning() && !deadline.hasExpired())
        buttons.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    return !link.exchangeRunning();
}

QStringList names(const std::vector<std::string> &entryPoints)
{
    QStringList list;
    for (const std::string &name : entryPoints)
        list << QString::fromStdString(name);
    return list;
}

QStringList lines(const QTextEdit *edit)
{
    return edit->toPlainText().split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestLinkNoLib : public QObject
{
    Q_OBJECT

private slots:
    void loaderBindsNothing();
    void bringUpLog();
    void startUpHandshakeFindsNobody();
    void readAndWriteEndAsOnSilentLine();
    void dateAndBaudRate();
};

void TestLinkNoLib::loaderBindsNothing()
{
    BridgeLibrary library;
    QCOMPARE(library.load(), expectedResult);
    QCOMPARE(names(library.missingEntryPoints()), allEntryPoints);
    QVERIFY(!library.initMCP2200(0x04D8, 0x00DF));
    QVERIFY(!library.isConnected());
    QVERIFY(!library.configureIO(240));
    QVERIFY(!library.setPin(2));
    QVERIFY(!library.clearPin(2));
    unsigned int value = 0;
    QVERIFY(!library.readPin(4, &value));
    QCOMPARE(value, 1u);
    QVERIFY(!library.setBaudRate(300));
    QVERIFY(!library.configureMCP2200(240, 6000000, 0, 0, false, false, false));
}

void TestLinkNoLib::bringUpLog()
{
    DetectorSettings settings {0, 0, 0, 5, 0x0E};
    config link(&settings);
    QVERIFY(link.form->textEdit->toPlainText().startsWith(loadLine + "\n\n"));
    QCOMPARE(lines(link.form->textEdit),
        (QStringList {loadLine, ">> Entry points not found: " + allEntryPoints.join(", "),
            ">> The device is DISCONNECTED", ">> Invalid command MCP2200", ">> Invalid command IO",
            ">> ERROR setting PINS", ">> ERROR setting PINS"}));
    QCOMPARE(link.form->setLine->text(), QString("11110000"));
}

void TestLinkNoLib::startUpHandshakeFindsNobody()
{
    DetectorSettings settings {0, 0, 0, 5, 0x0E};
    config link(&settings);
    QSignalSpy disconnected(&link, &config::signal_disconnect);
    QSignalSpy connected(&link, &config::signal_handshake_ok);
    QVERIFY(disconnected.wait(3000));
    QVERIFY(!link.exchangeRunning());
    QCOMPARE(connected.count(), 0);
    QVERIFY(link.readAfterHandshake);
    QCOMPARE(link.form->sendText->toPlainText(), QString("10101010|\n11111111||\n"));
}

void TestLinkNoLib::readAndWriteEndAsOnSilentLine()
{
    MessageBoxAnswerer answerer(QMessageBox::No);
    DetectorSettings settings {1, 2, 3, 10, 0x00};
    config link(&settings);
    link.readAfterHandshake = false;
    QSignalSpy progress(&link, &config::action);
    QSignalSpy received(&link, &config::signal_getConfig);
    QVERIFY(QSignalSpy(&link, &config::signal_disconnect).wait(3000));

    link.sendParamA3();
    QVERIFY(waitForEnd(link));
    link.sendParamA6();
    QVERIFY(waitForEnd(link));
    QCOMPARE(answerer.texts(), QStringList(2, "Ошибка чтения конфигурации \n Повторить?"));
    QCOMPARE(received.count(), 0);
    QVERIFY(link.verifyPending);
    QCOMPARE(progress.last(), (QList<QVariant> {0, 0, 33}));
}

void TestLinkNoLib::dateAndBaudRate()
{
    DetectorSettings settings {0, 0, 0, 5, 0x0E};
    config link(&settings);
    link.readAfterHandshake = false;
    link.sendParamA2();
    QVERIFY(waitForEnd(link));
    QCOMPARE(link.form->lineEdit->text(), QString("-1  ; -1  ; -1  ; -1  ; -1  ; "));
    link.form->set_B->click();
    QCOMPARE(lines(link.form->textEdit).last(), QString(">> Error setting baud rate"));
}

QTEST_MAIN(TestLinkNoLib)
#include "tst_linknolib.moc"
