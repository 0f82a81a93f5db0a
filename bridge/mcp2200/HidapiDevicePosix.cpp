#include "HidapiDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

int HidapiDevice::openError(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return EIO;
}
