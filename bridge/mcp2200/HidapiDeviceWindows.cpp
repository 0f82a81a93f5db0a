#include "HidapiDevice.h"

#include <windows.h>

int HidapiDevice::openError(const std::string &path)
{
    // As hidapi opens it: read and write, shared with other programs.
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    CloseHandle(handle);
    return ERROR_GEN_FAILURE;
}
