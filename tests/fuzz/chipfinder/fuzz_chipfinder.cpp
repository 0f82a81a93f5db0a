// The GPIO chip finder against sysfs-like trees built from the input: chip entries with any
// names, linked or not, looping or dangling, USB IDs and labels of any text, device nodes there
// or not. Sometimes one chip that certainly is the cable's is planted among them.
#include "FuzzBytes.h"
#include "FuzzCheck.h"
#include "GpioChipFinder.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path workRoot;

struct Tree
{
    fs::path sys;
    fs::path dev;
    std::set<std::string> names;
    std::map<std::string, std::string> labels; // device node -> what the chip reports
    long planted = -1; // number of the planted chip
};

void writeFile(const fs::path &path, const std::string &text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string fileName(FuzzBytes &in)
{
    if (in.flag())
        return "gpiochip" + std::to_string(in.below(16));
    std::string name = in.text(12);
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    return name == "." || name == ".." ? "_" : name;
}

std::string idText(FuzzBytes &in, const char *right)
{
    return in.flag() ? std::string(right) + "\n" : in.text(8);
}

void addChip(Tree &tree, FuzzBytes &in, const std::string &name, bool certain)
{
    const fs::path usb = tree.sys / "devices" / ("usb" + std::to_string(tree.names.size()));
    tree.names.insert(name);
    fs::path chipDir = usb;
    for (int depth = certain ? 0 : in.below(4); depth > 0; --depth)
        chipDir /= "d" + std::to_string(depth);
    chipDir /= name;
    fs::create_directories(chipDir);

    const int idsAt = certain ? 0 : in.below(3);
    if (idsAt < 2) {
        const fs::path idDir = idsAt == 0 ? usb : chipDir.parent_path();
        writeFile(idDir / "idVendor", certain ? "04d8\n" : idText(in, "04d8"));
        writeFile(idDir / "idProduct", certain ? "00df\n" : idText(in, "00df"));
    }
    const fs::path entry = tree.sys / "bus/gpio/devices" / name;
    std::error_code error;
    switch (certain ? 0 : in.below(4)) {
    case 0:
        fs::create_directory_symlink(chipDir, entry, error);
        break;
    case 1:
        fs::create_directory(entry, error);
        break;
    case 2:
        fs::create_directory_symlink(tree.sys / "nowhere", entry, error);
        break;
    default:
        fs::create_directory_symlink(entry, entry, error);
        break;
    }
    if (!certain && in.flag())
        writeFile(chipDir / "gpio" / ("gpiochip" + std::to_string(in.byte())) / "label",
            in.flag() ? "mcp2200\n" : in.text(12));
    const fs::path node = tree.dev / name;
    if (certain || in.flag())
        writeFile(node, {});
    const int label = certain ? 1 : in.below(3);
    tree.labels[node.string()] = label == 0 ? "" : label == 1 ? "mcp2200" : in.text(12);
}

Tree build(FuzzBytes &in)
{
    const fs::path top = workRoot / "t";
    fs::remove_all(top);
    Tree tree {top / "sys", top / "dev", {}, {}};
    fs::create_directories(tree.sys / "bus/gpio/devices");
    fs::create_directories(tree.dev);
    for (int count = in.below(5); count > 0; --count) {
        const std::string name = fileName(in);
        if (!name.empty() && !tree.names.count(name))
            addChip(tree, in, name, false);
    }
    if (in.flag()) {
        const int number = in.below(16);
        const std::string name = "gpiochip" + std::to_string(number);
        if (!tree.names.count(name)) {
            addChip(tree, in, name, true);
            tree.planted = number;
        }
    }
    return tree;
}

// gpiochipN -> N, else -1.
long chipNumber(const std::string &name)
{
    const std::string prefix = "gpiochip";
    const std::string digits = name.substr(std::min(name.size(), prefix.size()));
    if (name.compare(0, prefix.size(), prefix) != 0 || digits.empty() || digits.size() > 6
        || !std::all_of(
            digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return -1;
    return std::stol(digits);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *shm = "/dev/shm";
    std::string pattern = (fs::is_directory(shm) ? fs::path(shm) : fs::temp_directory_path())
                              .append("fuzz_chipfinder.XXXXXX")
                              .string();
    workRoot = mkdtemp(pattern.data());
    std::atexit([] { fs::remove_all(workRoot); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes in(data, size);
    const Tree tree = build(in);
    const auto reader = [&tree](const std::string &node) {
        const auto found = tree.labels.find(node);
        return found == tree.labels.end() ? std::string() : found->second;
    };
    const std::vector<std::string> found
        = GpioChipFinder(tree.sys, tree.dev, reader).find(0x04D8, 0x00DF);
    long previous = -1;
    bool planted = false;
    for (const std::string &each : found) {
        const fs::path node(each);
        const std::string name = node.filename().string();
        fuzzRequire(node.parent_path() == tree.dev && tree.names.count(name) && fs::exists(node),
            "what is found is the device node of a chip entry");
        fuzzRequire(chipNumber(name) > previous, "only gpiochipN entries, lowest number first");
        previous = chipNumber(name);
        planted = planted || previous == tree.planted;
    }
    if (tree.planted >= 0)
        fuzzRequire(planted, "the cable's chip is among those found");
    return 0;
}
