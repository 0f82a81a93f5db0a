#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Finds the GPIO chip that the kernel's MCP2200 driver made for a device with the given IDs: a
// chip whose HID device in sysfs names them in its HID_ID (as it does under uhid too), or,
// where none does, whose USB ancestor has them; labelled "mcp2200" where its label can be
// read.
class GpioChipFinder
{
public:
    static constexpr const char *chipLabel = "mcp2200";
    // Reads a chip's label from its device node; empty when it cannot.
    using LabelReader = std::function<std::string(const std::string &devNode)>;

    explicit GpioChipFinder(std::filesystem::path sysRoot = "/sys",
        std::filesystem::path devRoot = "/dev", LabelReader reader = {});

    // The device nodes of all such chips, lowest chip number first.
    std::vector<std::string> find(unsigned vendorId, unsigned productId) const;

private:
    std::string labelOf(
        const std::filesystem::path &devNode, const std::filesystem::path &chipDir) const;
    static std::string sysfsLabel(const std::filesystem::path &chipDir);
    bool usbIdsMatch(
        const std::filesystem::path &chipDir, unsigned vendorId, unsigned productId) const;

    std::filesystem::path sysRoot;
    std::filesystem::path devRoot;
    LabelReader reader;
};
