#include "GpioChipFinder.h"

#include "GpioChipDevice.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string firstLine(const fs::path &file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

bool readHexId(const fs::path &file, unsigned &id)
{
    const std::string text = firstLine(file);
    if (text.empty() || text.size() > 4)
        return false;
    try {
        std::size_t used = 0;
        id = static_cast<unsigned>(std::stoul(text, &used, 16));
        return used == text.size();
    } catch (...) {
        return false;
    }
}

// A HID device's uevent line HID_ID=<bus>:<vendor>:<product>, each field in hex.
bool hidIds(const fs::path &uevent, unsigned &vendor, unsigned &product)
{
    std::ifstream in(uevent);
    static const std::string key = "HID_ID=";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        unsigned long fields[3] = {};
        std::size_t at = key.size();
        for (unsigned long &field : fields) {
            if (at > line.size())
                return false;
            const std::size_t end = std::min(line.find(':', at), line.size());
            const std::string text = line.substr(at, end - at);
            if (text.empty() || text.size() > 8
                || !std::all_of(
                    text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); }))
                return false;
            field = std::stoul(text, nullptr, 16);
            at = end + 1;
        }
        if (at != line.size() + 1 || fields[1] > 0xFFFF || fields[2] > 0xFFFF)
            return false;
        vendor = static_cast<unsigned>(fields[1]);
        product = static_cast<unsigned>(fields[2]);
        return true;
    }
    return false;
}

// gpiochipN -> N, or -1 for any other name.
long chipNumber(const std::string &name)
{
    static const std::string prefix = "gpiochip";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) {
            return std::isdigit(c);
        }))
        return -1;
    return std::stol(digits);
}

} // namespace

GpioChipFinder::GpioChipFinder(fs::path sysRoot, fs::path devRoot, LabelReader reader)
    : sysRoot(std::move(sysRoot))
    , devRoot(std::move(devRoot))
    , reader(reader ? std::move(reader) : LabelReader(&GpioChipDevice::label))
{ }

std::vector<std::string> GpioChipFinder::find(unsigned vendorId, unsigned productId) const
{
    std::vector<std::string> found;
    std::error_code error;
    std::vector<std::pair<long, std::string>> chips;
    for (const auto &entry : fs::directory_iterator(sysRoot / "bus/gpio/devices", error)) {
        const std::string name = entry.path().filename().string();
        const long number = chipNumber(name);
        if (number >= 0)
            chips.emplace_back(number, name);
    }
    std::sort(chips.begin(), chips.end());
    for (const auto &chip : chips) {
        const fs::path chipDir = sysRoot / "bus/gpio/devices" / chip.second;
        const fs::path devNode = devRoot / chip.second;
        if (!fs::exists(devNode, error) || !usbIdsMatch(chipDir, vendorId, productId))
            continue;
        // A node the user may not open has no label to read, and a kernel without the old
        // sysfs interface keeps none in sysfs: the USB IDs alone decide then, so that the node
        // is tried and its refusal told.
        const std::string label = labelOf(devNode, chipDir);
        if (label.empty() || label == chipLabel)
            found.push_back(devNode.string());
    }
    return found;
}

std::string GpioChipFinder::labelOf(const fs::path &devNode, const fs::path &chipDir) const
{
    const std::string label = reader(devNode.string());
    return label.empty() ? sysfsLabel(chipDir) : label;
}

std::string GpioChipFinder::sysfsLabel(const fs::path &chipDir)
{
    // Kernels with the old sysfs interface also keep the label in a class device that they put
    // below the chip's parent, the HID device: <parent>/gpio/gpiochip<base>/label.
    std::error_code error;
    const fs::path parent = fs::canonical(chipDir, error).parent_path();
    if (error)
        return {};
    for (const auto &entry : fs::directory_iterator(parent / "gpio", error)) {
        const fs::path file = entry.path() / "label";
        if (fs::is_regular_file(file, error))
            return firstLine(file);
    }
    return {};
}

bool GpioChipFinder::usbIdsMatch(
    const fs::path &chipDir, unsigned vendorId, unsigned productId) const
{
    std::error_code error;
    const fs::path root = fs::canonical(sysRoot, error);
    fs::path dir = fs::canonical(chipDir, error);
    if (error)
        return false;
    // The nearest ancestor that names IDs decides: the HID device the chip hangs below (whose
    // HID_ID comes from the USB device on a real cable, and stands alone under uhid), else a
    // USB device with both ID files.
    for (dir = dir.parent_path(); dir != root && dir.has_relative_path(); dir = dir.parent_path()) {
        unsigned vendor = 0;
        unsigned product = 0;
        if (hidIds(dir / "uevent", vendor, product))
            return vendor == vendorId && product == productId;
        if (fs::exists(dir / "idVendor", error) && fs::exists(dir / "idProduct", error))
            return readHexId(dir / "idVendor", vendor) && readHexId(dir / "idProduct", product)
                && vendor == vendorId && product == productId;
    }
    return false;
}
