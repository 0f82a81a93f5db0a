#include "FuzzHidDevice.h"

#include "FuzzBytes.h"

FuzzHidDevice::FuzzHidDevice(FuzzBytes &in, LastAnswer &last)
    : in(in)
    , last(last)
{ }

bool FuzzHidDevice::write(const Report &)
{
    return in.below(16) != 0;
}

int FuzzHidDevice::read(Report &report, int)
{
    int size = 0;
    switch (in.below(5)) {
    case 0:
        return 0;
    case 1:
        return -1;
    case 2:
        size = 1 + in.below(15);
        break;
    default:
        size = 16;
        break;
    }
    for (int i = 0; i < size; ++i)
        report[i] = in.byte();
    if (size == 16 && in.flag())
        report[0] = 0x80;
    last = {report, size};
    return size;
}
