// The link on a bridge library that lacks some entry points: it names them, calls only those it
// has, and runs its exchanges on what they report.
#include "ConfigForm.h"
#include "config.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <dlfcn.h>

namespace {

unsigned int callsMade()
{
    void *library = dlopen("libSimpleIO-UM.so", RTLD_NOW | RTLD_NOLOAD);
    if (!library)
        return 0;
    const auto *calls = static_cast<const unsigned int *>(dlsym(library, "partial_calls"));
    const unsigned int count = calls ? *calls : 0;
    dlclose(library);
    return count;
}

} // namespace

class TestLinkPartLib : public QObject
{
    Q_OBJECT

private slots:
    void namesMissingEntryPoints();
    void handshakeReadsLowLine();
};

void TestLinkPartLib::namesMissingEntryPoints()
{
    DetectorSettings settings {0, 0, 0, 5, 0x0E};
    config link(&settings);
    QCOMPARE(link.form->textEdit->toPlainText().split('\n', Qt::SkipEmptyParts),
        (QStringList {">> DLL has been loaded",
            ">> Entry points not found: ConfigureIO, SetPin, ClearPin, "
            "fnSetBaudRate, ConfigureMCP2200",
            ">> The MCP2200 was successfully initialized.", ">> The device is CONNECTED",
            ">> Invalid command MCP2200", ">> Invalid command IO", ">> ERROR setting PINS",
            ">> ERROR setting PINS"}));
    QCOMPARE(callsMade(), 2u);
}

void TestLinkPartLib::handshakeReadsLowLine()
{
    DetectorSettings settings {0, 0, 0, 5, 0x0E};
    config link(&settings);
    const unsigned int before = callsMade();
    QSignalSpy disconnected(&link, &config::signal_disconnect);
    QVERIFY(disconnected.wait(3000));
    // Only the bound ReadPin was called, once per received bit.
    QCOMPARE(callsMade() - before, 8u);
    QCOMPARE(link.form->sendText->toPlainText(), QString("10101010|\n00000000||\n"));
    QVERIFY(link.readAfterHandshake);
}

QTEST_MAIN(TestLinkPartLib)
#include "tst_linkpartlib.moc"
