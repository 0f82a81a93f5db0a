#include "MessageBoxAnswerer.h"
#include "file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const QString path = QStringLiteral("data/a");
const QString noRecord = QStringLiteral("No saved configuration!");

QByteArray triple(int a, int b, int c)
{
    QByteArray result;
    result.append(char(a)).append(char(b)).append(char(c));
    return result;
}

QByteArray bytes(const SavedRecord &r)
{
    return triple(r.tag, r.value1, r.value2);
}

// Twelve bytes where every slot holds a record that differs from every other byte.
QByteArray fullPattern()
{
    return QByteArray::fromHex("55a1a255b1b255c1c255d1d2");
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void hasNoOwnMetaObject();
    void missingFileCreatedSilently();
    void emptyFileKept();
    void sizeCheck_data();
    void sizeCheck();
    void freshFileHasNoRecord_data();
    void freshFileHasNoRecord();
    void writeChangesOnlyItsSlot_data();
    void writeChangesOnlyItsSlot();
    void roundTrip_data();
    void roundTrip();
    void writePadsShortFile();
    void lowBytesTaken();
    void slotOutOfRangeRefused_data();
    void slotOutOfRangeRefused();
    void missingDataDirectory();
    void failedWriteReported_data();
    void failedWriteReported();

private:
    static void writeFile(const QByteArray &content);
    static QByteArray readFile();
    void expectBoxes(const QStringList &titles, const QStringList &texts);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MessageBoxAnswerer> answerer;
    QString oldCurrent;
    QWidget parent;
};

void TestStore::init()
{
    oldCurrent = QDir::currentPath();
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
    QVERIFY(QDir().mkdir(QStringLiteral("data")));
    answerer = std::make_unique<MessageBoxAnswerer>();
}

void TestStore::cleanup()
{
    answerer.reset();
    QDir::setCurrent(oldCurrent);
    dir.reset();
}

void TestStore::writeFile(const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), content.size());
}

QByteArray TestStore::readFile()
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every box of the store is a parentless information box with a lone Ok button.
void TestStore::expectBoxes(const QStringList &titles, const QStringList &texts)
{
    const auto &seen = answerer->boxes();
    QCOMPARE(seen.size(), titles.size());
    for (int i = 0; i < seen.size(); ++i) {
        QCOMPARE(seen[i].title, titles[i]);
        QCOMPARE(seen[i].text, texts[i]);
        QCOMPARE(seen[i].icon, QMessageBox::Information);
        QCOMPARE(seen[i].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!seen[i].hasParent);
    }
}

void TestStore::hasNoOwnMetaObject()
{
    const std::int32_t block[3] = {};
    file store(&parent, block);
    QCOMPARE(store.metaObject(), &QWidget::staticMetaObject);
    QCOMPARE(store.parentWidget(), &parent);
    QCOMPARE(store.windowFlags(), QWidget(&parent).windowFlags());
}

void TestStore::missingFileCreatedSilently()
{
    const std::int32_t block[3] = {0x55, 1, 2};
    {
        file store(&parent, block);
    }
    expectBoxes({}, {});
    QCOMPARE(readFile(), QByteArray(12, '\0'));
}

void TestStore::emptyFileKept()
{
    writeFile({});
    const std::int32_t block[3] = {0x55, 7, 9};
    {
        file store(&parent, block);
        expectBoxes({}, {});
        QCOMPARE(readFile(), QByteArray());
        QCOMPARE(bytes(store.readRecord(0)), QByteArray::fromHex("550709"));
    }
    expectBoxes({"Read file"}, {noRecord});
    QCOMPARE(readFile(), QByteArray());
}

void TestStore::sizeCheck_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("corrupted");
    QTest::newRow("5 bytes") << 5 << false;
    QTest::newRow("12 bytes") << 12 << false;
    QTest::newRow("13 bytes") << 13 << true;
    QTest::newRow("200 bytes") << 200 << true;
}

void TestStore::sizeCheck()
{
    QFETCH(int, size);
    QFETCH(bool, corrupted);
    const QByteArray old = fullPattern().leftJustified(size, 'x');
    writeFile(old);
    const std::int32_t block[3] = {};
    {
        file store(&parent, block);
    }
    if (corrupted) {
        expectBoxes({"Write file"}, {"File Corrupted! Creating new..."});
        QCOMPARE(readFile(), QByteArray(12, '\0'));
    } else {
        expectBoxes({}, {});
        QCOMPARE(readFile(), old);
    }
}

void TestStore::freshFileHasNoRecord_data()
{
    QTest::addColumn<int>("slot");
    for (int slot = 0; slot < 4; ++slot)
        QTest::addRow("slot %d", slot) << slot;
}

void TestStore::freshFileHasNoRecord()
{
    QFETCH(int, slot);
    const std::int32_t block[3] = {0x41, 0x42, 0x43};
    file store(&parent, block);
    QCOMPARE(bytes(store.readRecord(slot)), QByteArray("ABC"));
    expectBoxes({"Read file"}, {noRecord});
    QCOMPARE(readFile(), QByteArray(12, '\0'));
}

void TestStore::writeChangesOnlyItsSlot_data()
{
    freshFileHasNoRecord_data();
}

void TestStore::writeChangesOnlyItsSlot()
{
    QFETCH(int, slot);
    writeFile(fullPattern());
    const std::int32_t block[3] = {0x55, 0x10, 0x20};
    {
        file store(&parent, block);
        store.writeRecord(slot);
    }
    expectBoxes({"Write file"}, {"Write configuration complete!"});
    QCOMPARE(readFile(), QByteArray(fullPattern()).replace(3 * slot, 3, "\x55\x10\x20"));
}

void TestStore::roundTrip_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("value1");
    QTest::addColumn<int>("value2");
    QTest::newRow("slot 0 line feed, carriage return") << 0 << 0x0A << 0x0D;
    QTest::newRow("slot 1 end-of-file mark, line feed") << 1 << 0x1A << 0x0A;
    QTest::newRow("slot 2 carriage return, end-of-file mark") << 2 << 0x0D << 0x1A;
    QTest::newRow("slot 3 zero, all ones") << 3 << 0x00 << 0xFF;
}

void TestStore::roundTrip()
{
    QFETCH(int, slot);
    QFETCH(int, value1);
    QFETCH(int, value2);
    const std::int32_t block[3] = {0x55, value1, value2};
    {
        file store(&parent, block);
        store.writeRecord(slot);
    }
    QCOMPARE(readFile().size(), 12);

    answerer->clear();
    const std::int32_t other[3] = {0x01, 0x02, 0x03};
    file store(&parent, other);
    const QByteArray expected = triple(0x55, value1, value2);
    QCOMPARE(bytes(store.readRecord(slot)), expected);
    expectBoxes({}, {});
    QCOMPARE(readFile().size(), 12);
}

void TestStore::writePadsShortFile()
{
    writeFile("\x55\x01\x02");
    const std::int32_t block[3] = {0x55, 0x0A, 0x0B};
    {
        file store(&parent, block);
        store.writeRecord(2);
    }
    QCOMPARE(readFile(), QByteArray::fromHex("550102 000000 550a0b"));
}

void TestStore::lowBytesTaken()
{
    const std::int32_t block[3] = {0x12345655, -246, 0x7FFFFF00};
    {
        file store(&parent, block);
        QCOMPARE(bytes(store.readRecord(0)), QByteArray::fromHex("550a00"));
    }
    {
        file store(&parent, block);
        store.writeRecord(1);
    }
    QCOMPARE(readFile(), QByteArray::fromHex("000000 550a00 000000 000000"));
    QCOMPARE(block[1], -246);
}

void TestStore::slotOutOfRangeRefused_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("write");
    for (int slot : {-1, 4, 1000, INT_MIN}) {
        QTest::addRow("read %d", slot) << slot << false;
        QTest::addRow("write %d", slot) << slot << true;
    }
}

void TestStore::slotOutOfRangeRefused()
{
    QFETCH(int, slot);
    QFETCH(bool, write);
    writeFile(fullPattern());
    const std::int32_t block[3] = {0x55, 0x66, 0x77};
    {
        file store(&parent, block);
        if (write)
            store.writeRecord(slot);
        else
            QCOMPARE(bytes(store.readRecord(slot)), QByteArray("\x55\x66\x77"));
    }
    QCOMPARE(answerer->boxes().size(), 1);
    QCOMPARE(answerer->boxes()[0].title, write ? "Write file" : "Read file");
    QVERIFY(answerer->boxes()[0].text.startsWith("Invalid slot number!"));
    QCOMPARE(readFile(), fullPattern());

    // The next store must find the file intact rather than corrupted.
    answerer->clear();
    {
        file store(&parent, block);
    }
    expectBoxes({}, {});
}

void TestStore::missingDataDirectory()
{
    QVERIFY(QDir().rmdir(QStringLiteral("data")));
    const std::int32_t block[3] = {0x55, 3, 4};
    {
        file store(&parent, block);
        expectBoxes({}, {});
        QCOMPARE(bytes(store.readRecord(0)), QByteArray::fromHex("550304"));
    }
    {
        file store(&parent, block);
        store.writeRecord(0);
    }
    expectBoxes({"Read file", "Write file"},
        {"Could not read the saved configuration!", "Could not save the configuration!"});
    QVERIFY(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

#if !defined(_WIN32)
// While alive, no file of this process may grow: a write that would extend one fails (EFBIG)
// instead of raising SIGXFSZ.
class NoFileGrowth
{
public:
    NoFileGrowth()
        : oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &oldLimit);
        rlimit none = oldLimit;
        none.rlim_cur = 0;
        active = setrlimit(RLIMIT_FSIZE, &none) == 0;
    }
    ~NoFileGrowth()
    {
        setrlimit(RLIMIT_FSIZE, &oldLimit);
        std::signal(SIGXFSZ, oldHandler);
    }
    NoFileGrowth(const NoFileGrowth &) = delete;
    NoFileGrowth &operator=(const NoFileGrowth &) = delete;

    bool active = false;

private:
    void (*oldHandler)(int);
    rlimit oldLimit {};
};
#endif

void TestStore::failedWriteReported_data()
{
    QTest::addColumn<bool>("growthRefused");
    // The bytes are accepted into the stream's buffer and only refused when they reach the disk.
    QTest::newRow("file system refuses the bytes") << true;
    QTest::newRow("file cannot be positioned") << false;
}

void TestStore::failedWriteReported()
{
#if defined(_WIN32)
    QSKIP("needs POSIX file-size limits and /dev/full");
#else
    QFETCH(bool, growthRefused);
    const std::int32_t block[3] = {0x55, 1, 2};
    if (growthRefused) {
        writeFile({});
        NoFileGrowth limit;
        QVERIFY(limit.active);
        file store(&parent, block);
        store.writeRecord(0);
    } else {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("needs a character device");
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
        file store(&parent, block);
        store.writeRecord(0);
    }
    expectBoxes({"Write file"}, {"Could not save the configuration!"});
    if (growthRefused)
        QCOMPARE(readFile(), QByteArray());
#endif
}

QTEST_MAIN(TestStore)
#include "tst_store.moc"
