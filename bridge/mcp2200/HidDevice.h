#pragma once

#include <array>
#include <cstdint>

// One open HID device that exchanges 16-byte reports without report numbers.
class HidDevice
{
public:
    using Report = std::array<std::uint8_t, 16>;

    virtual ~HidDevice() = default;

    // Bytes that went out, the leading report number the system adds included (17 for a whole
    // report, more where the system pads it); 0 when it did not go out in time; -1 on error.
    virtual int write(const Report &report) = 0;
    // Bytes read (at most 16), 0 when nothing came within timeoutMs, -1 on error.
    virtual int read(Report &report, int timeoutMs) = 0;
    // The system's error code for the last call that gave -1, where the device knows it; 0 when
    // it does not, taken as a device that went away.
    virtual int lastError() const { return 0; }
};
