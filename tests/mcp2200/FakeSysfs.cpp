#include "FakeSysfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool FakeSysfs::addChip(const QString &name, const QString &label, const QString &vendor,
    const QString &product, bool withNode, Layout layout)
{
    const QString usb
        = QString("%1/devices/pci0000:00/0000:00:14.0/usb1/1-%2").arg(sysRoot()).arg(port);
    const QString hid = layout == Layout::Uhid
        ? QString("%1/devices/virtual/misc/uhid/0003:%2:%3.000%4")
              .arg(sysRoot(), vendor, product)
              .arg(port)
        : QString("%1/1-%2:1.0/0003:%3:%4.000%2").arg(usb).arg(port).arg(vendor, product);
    const QString chipDir = hid + "/" + name;
    ++port;
    const QString bus = sysRoot() + "/bus/gpio/devices";
    const QByteArray hidId = QString("HID_ID=0003:0000%1:0000%2\n")
                                 .arg(vendor.toUpper(), product.toUpper())
                                 .toLatin1();
    const bool ids = layout == Layout::Uhid
        || (writeFile(usb + "/idVendor", vendor.toLatin1() + "\n")
            && writeFile(usb + "/idProduct", product.toLatin1() + "\n"));
    // The old sysfs interface's class device hangs below the chip's parent.
    return ids && QDir().mkpath(chipDir)
        && (layout == Layout::UsbIdsOnly
            || writeFile(hid + "/uevent", "DRIVER=mcp2200\n" + hidId + "HID_NAME=MCP2200\n"))
        && (label.isEmpty() || writeFile(hid + "/gpio/gpiochip512/label", label.toLatin1() + "\n"))
        && QDir().mkpath(bus) && QFile::link(QDir(bus).relativeFilePath(chipDir), bus + "/" + name)
        && QDir().mkpath(devRoot()) && (!withNode || writeFile(node(name), {}));
}

bool FakeSysfs::removeNode(const QString &name)
{
    return QFile::remove(node(name));
}

GpioChipFinder FakeSysfs::finder() const
{
    return GpioChipFinder(sysRoot().toStdString(), devRoot().toStdString());
}

bool FakeSysfs::writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}
