#include "HidTransportOpener.h"

#include "HidTransport.h"

#include <cstdint>
#include <utility>
#include <windows.h>

namespace {

// A device opened while this process holds its named mutex; the mutex goes with it.
class ClaimedDevice : public HidDevice
{
public:
    ClaimedDevice(std::unique_ptr<HidDevice> device, HANDLE claim)
        : device(std::move(device))
        , claim(claim)
    { }
    ~ClaimedDevice() override
    {
        device.reset();
        CloseHandle(claim);
    }
    ClaimedDevice(const ClaimedDevice &) = delete;
    ClaimedDevice &operator=(const ClaimedDevice &) = delete;

    int write(const Report &report) override
    {
        SetLastError(0);
        const int sent = device->write(report);
        error = sent < 0 ? static_cast<int>(GetLastError()) : 0;
        // hidapi gives up on a write after its time-out and tells only -1; one still pending (or
        // found incomplete, after one that was given up on) is a chip that takes no report, not
        // a pulled cable.
        return error == ERROR_IO_PENDING || error == ERROR_IO_INCOMPLETE ? 0 : sent;
    }
    int read(Report &report, int timeoutMs) override
    {
        SetLastError(0);
        const int size = device->read(report, timeoutMs);
        error = size < 0 ? static_cast<int>(GetLastError()) : 0;
        return size;
    }
    // hidapi keeps only a message, but the call that failed left the system's error behind.
    int lastError() const override { return error; }

private:
    std::unique_ptr<HidDevice> device;
    HANDLE claim;
    int error = 0;
};

} // namespace

HidTransportOpener::HidTransportOpener(Find find, Open open)
    : find(std::move(find))
    , open(std::move(open))
{ }

std::wstring HidTransportOpener::claimName(const std::string &path)
{
    // Windows' paths differ in case between its interfaces and may be longer than a mutex's
    // name: the lower-cased path's FNV-1a hash names it.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        hash *= 1099511628211ull;
    }
    wchar_t digits[17];
    for (int i = 15; i >= 0; --i, hash >>= 4)
        digits[i] = L"0123456789abcdef"[hash & 0xF];
    digits[16] = L'\0';
    return std::wstring(L"Local\\virel-mcp2200-") + digits;
}

std::unique_ptr<HidDevice> HidTransportOpener::openClaimed(const std::string &path, int &error)
{
    // Windows' HID driver lets any number of programs share the chip; a second program of ours
    // would interleave its reports with the first's.
    const HANDLE claim = CreateMutexW(nullptr, FALSE, claimName(path).c_str());
    const DWORD claimError = GetLastError();
    if (!claim || claimError == ERROR_ALREADY_EXISTS) {
        // Held by another copy of ours; one that another user started keeps us out of its mutex.
        error = claim || claimError == ERROR_ACCESS_DENIED ? ERROR_SHARING_VIOLATION
                                                           : static_cast<int>(claimError);
        if (claim)
            CloseHandle(claim);
        return nullptr;
    }
    // When read-write is refused, hidapi opens the device with no access at all, and only the
    // first write fails: ask the system first. The handle, shared as hidapi shares it, keeps a
    // program that wants the device to itself out until hidapi has opened it.
    const HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    std::unique_ptr<HidDevice> device;
    if (probe == INVALID_HANDLE_VALUE) {
        error = static_cast<int>(GetLastError());
    } else {
        device = open(path, error);
        CloseHandle(probe);
    }
    if (!device) {
        CloseHandle(claim);
        return nullptr;
    }
    return std::make_unique<ClaimedDevice>(std::move(device), claim);
}

std::unique_ptr<Mcp2200Transport> HidTransportOpener::openHid(unsigned vendorId, unsigned productId)
{
    fault = {};
    for (const std::string &path : find(vendorId, productId)) {
        int error = 0;
        if (std::unique_ptr<HidDevice> device = openClaimed(path, error))
            return std::make_unique<HidTransport>(std::move(device));
        if (fault.kind == Mcp2200Fault::Kind::None)
            fault = Mcp2200Fault::refused({}, error);
    }
    return nullptr;
}
