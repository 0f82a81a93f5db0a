#pragma once

#include "GpioChipFinder.h"

#include <QString>
#include <QTemporaryDir>

// A sysfs and a /dev in a temporary folder, with GPIO chips laid out as the kernel lays out
// those of USB devices (USB device, interface, HID device, GPIO chip) or of uhid's devices.
class FakeSysfs
{
public:
    bool isValid() const { return root.isValid(); }
    // Usb: the HID device's uevent names the IDs of the USB device above it; UsbIdsOnly: only
    // the USB device has them; Uhid: a HID device made through /dev/uhid, with no USB device.
    enum class Layout { Usb, UsbIdsOnly, Uhid };

    // vendor and product as the ID files hold them (hex); an empty label: none in sysfs;
    // withNode: the /dev entry exists.
    bool addChip(const QString &name, const QString &label, const QString &vendor,
        const QString &product, bool withNode, Layout layout = Layout::Usb);
    bool removeNode(const QString &name);

    QString sysRoot() const { return root.filePath("sys"); }
    QString devRoot() const { return root.filePath("dev"); }
    QString node(const QString &name) const { return devRoot() + "/" + name; }
    GpioChipFinder finder() const;

    static bool writeFile(const QString &path, const QByteArray &data);

private:
    QTemporaryDir root;
    int port = 1;
};
