#pragma once

#include "HidDevice.h"

#include <deque>
#include <vector>

// A HID device that behaves as the chip does: it keeps the settings and latches, answers
// READ_ALL, and can answer badly or be pulled out.
class FakeHidChip : public HidDevice
{
public:
    ~FakeHidChip() override
    {
        if (closed)
            *closed = true;
    }
    enum class Answer { Normal, None, Short, WrongCommand };

    int write(const Report &report) override;
    int read(Report &report, int timeoutMs) override;

    // An answer already waiting before the next request, as after a late reply.
    void queueStale(const Report &report) { answers.push_back({report, 16}); }
    Report readAllAnswer() const;
    std::uint8_t levels() const;

    // Chip state, as READ_ALL reports it.
    std::uint8_t directions = 0xF0;
    std::uint8_t altPins = 0;
    std::uint8_t defaults = 0;
    std::uint8_t altOptions = 0;
    std::uint16_t divisor = 39999;
    std::uint8_t latch = 0;
    std::uint8_t inputLevels = 0;

    Answer answer = Answer::Normal;
    // Set when the chip's handle is let go.
    bool *closed = nullptr;
    // What a write says went out, and how long it takes.
    int sentBytes = 17;
    int writeMs = 0;
    // Pulled out right after this many writes (negative: never).
    int unplugAfterWrites = -1;
    bool unplugged = false;

    std::vector<Report> written;
    std::vector<int> readTimeouts;

private:
    struct Pending
    {
        Report report;
        int size;
    };
    void apply(const Report &report);

    std::deque<Pending> answers;
};
