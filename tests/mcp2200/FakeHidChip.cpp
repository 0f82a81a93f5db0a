#include "FakeHidChip.h"

#include <algorithm>
#include <chrono>
#include <thread>

int FakeHidChip::write(const Report &report)
{
    if (writeMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(writeMs));
    if (unplugged)
        return -1;
    written.push_back(report);
    apply(report);
    if (unplugAfterWrites >= 0 && static_cast<int>(written.size()) >= unplugAfterWrites)
        unplugged = true;
    return sentBytes;
}

int FakeHidChip::read(Report &report, int timeoutMs)
{
    readTimeouts.push_back(timeoutMs);
    if (unplugged)
        return -1;
    if (answers.empty())
        return 0;
    const Pending pending = answers.front();
    answers.pop_front();
    report = pending.report;
    return pending.size;
}

FakeHidChip::Report FakeHidChip::readAllAnswer() const
{
    Report report {};
    report[0] = 0x80;
    report[4] = directions;
    report[5] = altPins;
    report[6] = defaults;
    report[7] = altOptions;
    report[8] = static_cast<std::uint8_t>(divisor >> 8);
    report[9] = static_cast<std::uint8_t>(divisor);
    report[10] = levels();
    return report;
}

std::uint8_t FakeHidChip::levels() const
{
    return static_cast<std::uint8_t>((latch & ~directions) | (inputLevels & directions));
}

void FakeHidChip::apply(const Report &report)
{
    switch (report[0]) {
    case 0x80: {
        Report answerReport = readAllAnswer();
        if (answer == Answer::WrongCommand)
            answerReport[0] = 0x10;
        if (answer != Answer::None)
            answers.push_back({answerReport, answer == Answer::Short ? 8 : 16});
        break;
    }
    case 0x10:
        directions = report[4];
        altPins = report[5];
        defaults = report[6];
        altOptions = report[7];
        divisor = static_cast<std::uint16_t>(report[8] << 8 | report[9]);
        latch = defaults;
        break;
    case 0x08:
        latch = static_cast<std::uint8_t>((latch | report[11]) & ~report[12]);
        break;
    default:
        break;
    }
}
