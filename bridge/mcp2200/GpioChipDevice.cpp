#include "GpioChipDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool control(int fd, unsigned long command, void *argument)
{
    int result;
    do {
        result = ::ioctl(fd, command, argument);
    } while (result < 0 && errno == EINTR);
    return result == 0;
}

} // namespace

std::unique_ptr<GpioChipDevice> GpioChipDevice::open(const std::string &path, int &error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    return std::unique_ptr<GpioChipDevice>(new GpioChipDevice(fd));
}

std::string GpioChipDevice::label(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    gpiochip_info info {};
    const bool ok = control(fd, GPIO_GET_CHIPINFO_IOCTL, &info);
    ::close(fd);
    if (!ok)
        return {};
    info.label[sizeof info.label - 1] = '\0';
    return info.label;
}

GpioChipDevice::GpioChipDevice(int chipFd)
    : chipFd(chipFd)
{ }

GpioChipDevice::~GpioChipDevice()
{
    release();
    ::close(chipFd);
}

bool GpioChipDevice::request(gpio_v2_line_request &request)
{
    if (!control(chipFd, GPIO_V2_GET_LINE_IOCTL, &request)) {
        error = errno;
        return false;
    }
    lineFd = request.fd;
    return true;
}

bool GpioChipDevice::setConfig(gpio_v2_line_config &config)
{
    return lineControl(GPIO_V2_LINE_SET_CONFIG_IOCTL, &config);
}

bool GpioChipDevice::setValues(gpio_v2_line_values &values)
{
    return lineControl(GPIO_V2_LINE_SET_VALUES_IOCTL, &values);
}

bool GpioChipDevice::getValues(gpio_v2_line_values &values)
{
    return lineControl(GPIO_V2_LINE_GET_VALUES_IOCTL, &values);
}

bool GpioChipDevice::lineControl(unsigned long command, void *argument)
{
    if (lineFd >= 0 && control(lineFd, command, argument))
        return true;
    error = lineFd >= 0 ? errno : EBADF;
    return false;
}

void GpioChipDevice::release()
{
    if (lineFd >= 0)
        ::close(lineFd);
    lineFd = -1;
}

bool GpioChipDevice::lineInfo(gpio_v2_line_info &info)
{
    if (control(chipFd, GPIO_V2_GET_LINEINFO_IOCTL, &info))
        return true;
    error = errno;
    return false;
}
