#pragma once

#include "SavedRecord.h"

#include <QFile>
#include <QWidget>

#include <cstdint>

// Keeps up to four three-byte records in the 12-byte file "data//a" of the working directory.
// Intentionally no Q_OBJECT: it adds no signals, slots or properties to QWidget.
// Use: construct, then at most one readRecord or writeRecord, then destroy.
class file : public QWidget
{
public:
    file(QWidget *parent, const std::int32_t (&block)[3]);
    ~file() override;

    // Slot 0 to 3. Returns the stored record, or the constructor's record if none is stored.
    SavedRecord readRecord(int slot);
    // Slot 0 to 3. Stores the constructor's record and closes the file.
    void writeRecord(int slot);

private:
    bool openForUpdate();
    static void createEmpty();
    bool seekForWrite(qint64 offset);

    SavedRecord record;
    QFile stream;
    std::uint8_t writeBytes[3];
};
