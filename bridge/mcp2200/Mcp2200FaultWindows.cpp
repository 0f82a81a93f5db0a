#include "Mcp2200Fault.h"

#include <windows.h>

Mcp2200Fault::Kind Mcp2200Fault::refusalKind(int error)
{
    switch (error) {
    case ERROR_SHARING_VIOLATION:
        // Windows' HID class driver opens the chip for any user: only a program that opened it
        // without sharing, or another of ours (its named mutex), keeps it from us.
        return Kind::Busy;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_OPERATION_ABORTED:
        // Listed a moment ago, or open a moment ago, and gone now.
        return Kind::Lost;
    default:
        return Kind::Failed;
    }
}

Mcp2200Fault::Kind Mcp2200Fault::transferKind(int error)
{
    // A handle that worked does not lose its rights: a device being removed fails the
    // transfers on it with STATUS_DELETE_PENDING, which Windows reports as access denied.
    return error == ERROR_ACCESS_DENIED ? Kind::Lost : refusalKind(error);
}

std::string Mcp2200Fault::systemErrorText(int error)
{
    // In English, like the rest of the line, where Windows has its English messages; else in
    // the system's own language.
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    wchar_t text[512];
    DWORD length = FormatMessageW(flags, nullptr, static_cast<DWORD>(error),
        MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, ARRAYSIZE(text), nullptr);
    if (length == 0)
        length = FormatMessageW(
            flags, nullptr, static_cast<DWORD>(error), 0, text, ARRAYSIZE(text), nullptr);
    // The message ends in a full stop and CR LF; the reason's own sentence goes on after it.
    while (length > 0
        && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '
            || text[length - 1] == L'.'))
        --length;
    if (length == 0)
        return "system error " + std::to_string(error);
    const int size = WideCharToMultiByte(
        CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(
        CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr, nullptr);
    return utf8;
}
