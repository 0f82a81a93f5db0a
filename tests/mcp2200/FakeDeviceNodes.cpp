#include "FakeDeviceNodes.h"

#include <algorithm>
#include <fstream>

std::unique_ptr<NodeLock> FakeDeviceNodes::lockNode(
    const std::string &node, int &error, std::string &holder)
{
    return NodeLock::take(lockFile(node), error, holder);
}

std::string FakeDeviceNodes::lockFile(const std::string &node) const
{
    std::string name = node;
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string file = lockDir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream create(file, std::ios::app);
    return file;
}

std::unique_ptr<GpioLineIo> FakeDeviceNodes::openGpioChip(const std::string &node, int &error)
{
    opened.push_back(node);
    if (gpioRefusal) {
        error = gpioRefusal;
        return nullptr;
    }
    auto fake = std::make_unique<FakeGpioLines>();
    if (prepareLines)
        prepareLines(*fake);
    lines = fake.get();
    return fake;
}

std::vector<std::string> FakeDeviceNodes::findHidraw(unsigned, unsigned)
{
    std::vector<std::string> nodes;
    for (const Hidraw &h : hidraw)
        nodes.push_back(h.node);
    return nodes;
}

std::unique_ptr<HidDevice> FakeDeviceNodes::openHidraw(const std::string &node, int &error)
{
    opened.push_back(node);
    for (const Hidraw &h : hidraw) {
        if (h.node != node)
            continue;
        if (h.refusal) {
            error = h.refusal;
            return nullptr;
        }
        auto fake = std::make_unique<FakeHidChip>();
        if (prepareChip)
            prepareChip(*fake);
        chip = fake.get();
        return fake;
    }
    error = ENOENT;
    return nullptr;
}
