#pragma once

#include "GpioLineIo.h"

#include <memory>
#include <string>

// A /dev/gpiochipN node and the one line request held on it.
class GpioChipDevice : public GpioLineIo
{
public:
    // Null, with the errno in `error`, when the node cannot be opened.
    static std::unique_ptr<GpioChipDevice> open(const std::string &path, int &error);
    // The chip's label as the kernel reports it, empty when the node is no GPIO chip.
    static std::string label(const std::string &path);
    ~GpioChipDevice() override;

    GpioChipDevice(const GpioChipDevice &) = delete;
    GpioChipDevice &operator=(const GpioChipDevice &) = delete;

    bool request(gpio_v2_line_request &request) override;
    bool setConfig(gpio_v2_line_config &config) override;
    bool setValues(gpio_v2_line_values &values) override;
    bool getValues(gpio_v2_line_values &values) override;
    void release() override;
    int lastError() const override { return error; }
    bool lineInfo(gpio_v2_line_info &info) override;

private:
    explicit GpioChipDevice(int chipFd);
    bool lineControl(unsigned long command, void *argument);

    int chipFd;
    int lineFd = -1;
    int error = 0;
};
