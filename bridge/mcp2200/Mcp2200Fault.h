#pragma once

#include <string>

// Why the library cannot use the chip just now, with what the technician can do about it.
struct Mcp2200Fault
{
    enum class Kind {
        None, // the chip can be used
        NotInitialised,
        Absent,
        PermissionDenied,
        Busy,
        Lost,
        Silent,
        Failed
    };

    static Mcp2200Fault notInitialised();
    static Mcp2200Fault absent(unsigned vendorId, unsigned productId);
    // A device node that could not be opened or claimed, by its errno (on Windows, by its
    // system error code).
    static Mcp2200Fault refused(std::string node, int error, std::string holder = {});
    static Mcp2200Fault lost(std::string node);
    static Mcp2200Fault silent(std::string node);

    // One line in plain words; empty for Kind::None.
    std::string text() const;
    // What a refusal's error means for the technician, and the system's own words for it, in
    // English where it has them (Mcp2200FaultPosix.cpp, Mcp2200FaultWindows.cpp).
    static Kind refusalKind(int error);
    // The same for a read or write that failed on a device opened before.
    static Kind transferKind(int error);
    static std::string systemErrorText(int error);

    Kind kind = Kind::None;
    std::string node;
    // The program holding a busy chip, when the kernel names it.
    std::string holder;
    int error = 0;
    unsigned vendorId = 0;
    unsigned productId = 0;
};
