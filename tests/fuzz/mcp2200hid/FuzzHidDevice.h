#pragma once

#include "HidDevice.h"

class FuzzBytes;

// A HID device that answers from the fuzzer's input: nothing, an error, a short report, sixteen
// bytes of anything, or sixteen bytes that start with READ_ALL's command byte. Writes fail, time
// out or go out in part when the input says so.
class FuzzHidDevice : public HidDevice
{
public:
    struct LastAnswer
    {
        Report report {};
        int size = 0;
    };

    FuzzHidDevice(FuzzBytes &in, LastAnswer &last);

    int write(const Report &report) override;
    int read(Report &report, int timeoutMs) override;

private:
    FuzzBytes &in;
    LastAnswer &last;
};
