#include "file.h"

#include <QByteArray>
#include <QMessageBox>

namespace {

const char *const filePath = "data//a";
constexpr qint64 slotSize = 3;
constexpr int slotCount = 4;
constexpr qint64 fileSize = slotSize * slotCount;
constexpr std::uint8_t savedTag = 0x55;

std::uint8_t lowByte(std::int32_t value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

bool validSlot(int slot)
{
    return slot >= 0 && slot < slotCount;
}

void inform(const char *title, const char *text)
{
    QMessageBox::information(nullptr, QString::fromLatin1(title), QString::fromLatin1(text),
        QMessageBox::Ok, QMessageBox::NoButton);
}

} // namespace

file::file(QWidget *parent, const std::int32_t (&block)[3])
    : QWidget(parent)
    , record {lowByte(block[0]), lowByte(block[1]), lowByte(block[2])}
    , writeBytes {record.tag, record.value1, record.value2}
{
    if (openForUpdate()) {
        if (stream.size() <= fileSize)
            return;
        stream.close();
        inform("Write file", "File Corrupted! Creating new...");
    }
    createEmpty();
    openForUpdate();
}

file::~file()
{
    if (stream.isOpen())
        stream.close();
}

SavedRecord file::readRecord(int slot)
{
    if (!validSlot(slot)) {
        inform("Read file", "Invalid slot number! Nothing was read.");
        return record;
    }
    if (!stream.isOpen()) {
        inform("Read file", "Could not read the saved configuration!");
        return record;
    }
    char bytes[slotSize];
    if (stream.seek(stream.pos() + slotSize * slot) && stream.read(bytes, slotSize) == slotSize
        && static_cast<std::uint8_t>(bytes[0]) == savedTag) {
        record
            = {savedTag, static_cast<std::uint8_t>(bytes[1]), static_cast<std::uint8_t>(bytes[2])};
    } else {
        inform("Read file", "No saved configuration!");
    }
    return record;
}

void file::writeRecord(int slot)
{
    if (!validSlot(slot)) {
        inform("Write file", "Invalid slot number! Nothing was written.");
        return;
    }
    if (!stream.isOpen()) {
        inform("Write file", "Could not save the configuration!");
        return;
    }
    // Flush so that "complete" is only claimed once the bytes have left our buffer.
    const bool written = seekForWrite(stream.pos() + slotSize * slot)
        && stream.write(reinterpret_cast<const char *>(writeBytes), slotSize) == slotSize
        && stream.flush();
    if (written)
        inform("Write file", "Write configuration complete!");
    else
        inform("Write file", "Could not save the configuration!");
    stream.close();
}

// Opens the existing file for reading and writing, never creating or truncating it.
bool file::openForUpdate()
{
    stream.setFileName(QString::fromLatin1(filePath));
    return stream.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
}

void file::createEmpty()
{
    QFile fresh(QString::fromLatin1(filePath));
    if (fresh.open(QIODevice::ReadWrite | QIODevice::Truncate))
        fresh.write(QByteArray(fileSize, '\0'));
}

// A short file is padded with zeros up to the slot, so the gap is empty slots, not garbage.
bool file::seekForWrite(qint64 offset)
{
    const qint64 end = stream.size();
    if (offset <= end)
        return stream.seek(offset);
    return stream.seek(end) && stream.write(QByteArray(offset - end, '\0')) == offset - end;
}
