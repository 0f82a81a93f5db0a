// The link logs the bridge library's reason for being unusable: after the bring-up line, and
// again only when the reason changes from one handshake to the next. A library without the
// optional entry point makes the link log no reason at all.
#include "ConfigForm.h"
#include "config.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <dlfcn.h>

namespace {

const QString bringUpLine = QStringLiteral(">> The device is DISCONNECTED");
const QString noDevice = QStringLiteral("No MCP2200 (04d8:00df) found on USB");
const QString denied = QStringLiteral(
    "/dev/hidraw3 found but permission denied — the udev rule is not active yet: replug the cable");
const QString busy = QStringLiteral("The lines are busy, held by another program (gpiomon)");
const QString clearLogs = QStringLiteral("CLRSCR");

// The stand-in's reason setter, in the library the link will load by the same name. False when
// the stand-in is not on the search path.
bool setReason(const QString &text)
{
    static void *library = dlopen("libSimpleIO-UM.so", RTLD_NOW);
    static auto *set = library
        ? reinterpret_cast<void (*)(const char *)>(dlsym(library, "reason_set"))
        : nullptr;
    if (!set)
        return false;
    set(text.toUtf8().constData());
    return true;
}

QStringList lines(const config &link)
{
    return link.form->textEdit->toPlainText().split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestLinkReason : public QObject
{
    Q_OBJECT

private slots:
    void reasonLines_data();
    void reasonLines();
};

void TestLinkReason::reasonLines_data()
{
    QTest::addColumn<QString>("atBringUp");
    // The reason the library gives at each handshake after the first, which runs on the
    // bring-up reason.
    QTest::addColumn<QStringList>("atHandshakes");
    QTest::addColumn<QStringList>("logged");
#ifdef REASON_WITHOUT_ENTRY_POINT
    QTest::newRow("no entry point") << noDevice << QStringList {denied, busy} << QStringList {};
#else
    QTest::newRow("empty") << "" << QStringList {"", ""} << QStringList {};
    QTest::newRow("at bring-up") << noDevice << QStringList {} << QStringList {">> " + noDevice};
    QTest::newRow("changing") << "" << QStringList {denied, denied, busy, "", busy}
                              << QStringList {">> " + denied, ">> " + busy, ">> " + busy};
    QTest::newRow("same on failed handshakes")
        << denied << QStringList {denied, denied, denied} << QStringList {">> " + denied};
    QTest::newRow("after clearing")
        << "" << QStringList {denied, clearLogs, denied} << QStringList {">> " + denied};
#endif
}

void TestLinkReason::reasonLines()
{
    QFETCH(QString, atBringUp);
    QFETCH(QStringList, atHandshakes);
    QFETCH(QStringList, logged);

    QVERIFY(setReason(atBringUp));
    DetectorSettings settings {0, 0, 0, 5, 0x0E};
    config link(&settings);
    QSignalSpy failed(&link, &config::signal_disconnect);
    QVERIFY(failed.wait(3000));
    for (const QString &reason : atHandshakes) {
        if (reason == clearLogs) {
            link.clr();
            continue;
        }
        QVERIFY(setReason(reason));
        link.sendParamAA();
        QVERIFY(failed.wait(3000));
    }

    const QStringList log = lines(link);
    const QStringList texts = QStringList(atHandshakes) << atBringUp;
    QStringList reasonLines;
    for (const QString &text : texts) {
        if (!reasonLines.contains(">> " + text))
            reasonLines << ">> " + text;
    }
    QStringList found;
    for (const QString &line : log) {
        if (reasonLines.contains(line))
            found << line;
    }
    QCOMPARE(found, logged);
    if (!atBringUp.isEmpty() && !logged.isEmpty())
        QCOMPARE(log.value(log.indexOf(bringUpLine) + 1), ">> " + atBringUp);
    // The optional entry point is never reported as missing.
    QVERIFY(std::none_of(log.begin(), log.end(),
        [](const QString &line) { return line.startsWith(">> Entry points not found"); }));
}

QTEST_MAIN(TestLinkReason)
#include "tst_linkreason.moc"
