#include "FuzzHidDevice.h"

#include "FuzzBytes.h"

FuzzHidDevice::FuzzHidDevice(FuzzBytes &in, LastAnswer &last)
    : in(in)
    , last(last)
{ }

int FuzzHidDevice::write(const Report &)
{
    switch (in.below(16)) {
    case 0:
        return -1;
    case 1:
        return 0; // not taken in time
    case 2:
        return 16;
    case 3:
        return 65; // padded by the system
    default:
        return 17;
    }
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
