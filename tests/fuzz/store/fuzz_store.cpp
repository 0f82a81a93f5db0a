// The saved-record file: whatever the file holds, whichever slot is asked for. Input: a mode
// byte (bit 0 write rather than read; bits 1-2: 0 or 3 the file holds the rest of the input,
// 1 no file, 2 no data folder), a slot byte (bit 0 clear: slot 0-3 from bits 1-2; set: the
// next four bytes as any int), the record block as three four-byte ints, then the file.
#include "ChoosingBoxAnswerer.h"
#include "FuzzBytes.h"
#include "FuzzCheck.h"
#include "file.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

namespace {

enum class Place { File, NoFile, NoFolder };

QTemporaryDir *workDir = nullptr;
ChoosingBoxAnswerer *answerer = nullptr;
QStringList *boxTexts = nullptr;

QByteArray fileBytes()
{
    QFile f(QStringLiteral("data/a"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file as the store must find it after construction.
QByteArray startingBytes(Place place, const QByteArray &contents)
{
    if (place == Place::NoFile || contents.size() > 12)
        return QByteArray(12, '\0');
    return contents;
}

void checkRead(const QByteArray &before, int slot, const SavedRecord &got, const SavedRecord &given)
{
    fuzzRequire(fileBytes() == before, "a read changes nothing in the file");
    const bool valid = slot >= 0 && slot < 4;
    const int at = valid ? 3 * slot : 0;
    const bool saved = valid && before.size() >= at + 3 && quint8(before[at]) == 0x55;
    const SavedRecord expected
        = saved ? SavedRecord {0x55, quint8(before[at + 1]), quint8(before[at + 2])} : given;
    fuzzRequire(
        got.tag == expected.tag && got.value1 == expected.value1 && got.value2 == expected.value2,
        "a read gives the slot's record when it is saved, else the record given");
}

void checkWrite(const QByteArray &before, int slot, const SavedRecord &given)
{
    QByteArray expected = before;
    if (slot >= 0 && slot < 4) {
        // A short file is padded with empty slots up to the written one.
        if (expected.size() < 3 * slot + 3)
            expected.append(QByteArray(3 * slot + 3 - expected.size(), '\0'));
        expected[3 * slot] = char(given.tag);
        expected[3 * slot + 1] = char(given.value1);
        expected[3 * slot + 2] = char(given.value2);
    }
    fuzzRequire(fileBytes() == expected, "a write changes its own slot and no other byte");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    workDir = new QTemporaryDir;
    QDir::setCurrent(workDir->path());
    std::atexit([] { delete workDir; });
    boxTexts = new QStringList;
    answerer = new ChoosingBoxAnswerer([](QMessageBox *box) {
        boxTexts->append(box->text());
        return ChoosingBoxAnswerer::Answer {};
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes in(data, size);
    const std::uint8_t mode = in.byte();
    const bool write = mode & 1;
    const Place place = Place(((mode >> 1) & 3) % 3);
    const std::uint8_t slotByte = in.byte();
    const int slot = slotByte & 1 ? int(in.word()) : (slotByte >> 1) & 3;
    std::int32_t block[3];
    for (std::int32_t &value : block)
        value = std::int32_t(in.word());
    const std::string rest = in.text(255);
    const QByteArray contents(rest.data(), int(rest.size()));

    QFile::remove(QStringLiteral("data/a"));
    QDir().rmdir(QStringLiteral("data"));
    if (place != Place::NoFolder)
        QDir().mkdir(QStringLiteral("data"));
    if (place == Place::File) {
        QFile f(QStringLiteral("data/a"));
        if (f.open(QIODevice::WriteOnly))
            f.write(contents);
    }
    boxTexts->clear();

    const SavedRecord given {quint8(block[0]), quint8(block[1]), quint8(block[2])};
    QWidget parent;
    {
        file store(&parent, block);
        const bool corrupted = place == Place::File && contents.size() > 12;
        fuzzRequire(
            boxTexts->contains(QStringLiteral("File Corrupted! Creating new...")) == corrupted,
            "only a file longer than 12 bytes is reported corrupted");
        const QByteArray before
            = place == Place::NoFolder ? QByteArray() : startingBytes(place, contents);
        fuzzRequire(fileBytes() == before, "construction keeps a valid file and renews any other");
        if (write) {
            store.writeRecord(slot);
            if (place != Place::NoFolder)
                checkWrite(before, slot, given);
        } else {
            checkRead(before, slot, store.readRecord(slot), given);
        }
    }
    fuzzRequire(fileBytes().size() <= 12, "the file never grows past 12 bytes");
    fuzzRequire(place != Place::NoFolder || !QFile::exists(QStringLiteral("data/a")),
        "without its folder the store makes no file");
    return 0;
}
