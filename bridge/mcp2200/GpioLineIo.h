#pragma once

#include <linux/gpio.h>

#include <cerrno>
#include <string>

// The GPIO character device's line ioctls, as the transport uses them: one chip, one held
// request for a set of its lines.
class GpioLineIo
{
public:
    virtual ~GpioLineIo() = default;

    // GPIO_V2_GET_LINE_IOCTL on the chip; the lines stay held until release().
    virtual bool request(gpio_v2_line_request &request) = 0;
    // GPIO_V2_LINE_SET_CONFIG_IOCTL on the held lines.
    virtual bool setConfig(gpio_v2_line_config &) { return false; }
    // GPIO_V2_LINE_SET_VALUES_IOCTL / GPIO_V2_LINE_GET_VALUES_IOCTL on the held lines.
    virtual bool setValues(gpio_v2_line_values &values) = 0;
    virtual bool getValues(gpio_v2_line_values &values) = 0;
    virtual void release() = 0;

    // The errno of the last ioctl that failed (EBUSY: another program holds a line; ENODEV: the
    // chip is gone; ETIMEDOUT: it did not answer).
    virtual int lastError() const { return EIO; }
    // GPIO_V2_GET_LINEINFO_IOCTL for info.offset: the line's direction as the kernel has it and
    // its consumer, with no traffic to the chip.
    virtual bool lineInfo(gpio_v2_line_info &) { return false; }
};
