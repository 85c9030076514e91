#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cerrno>

#include "platform/hid/HidrawBackend.h"
#include "support/CannedHidDescriptors.h"

namespace {

// A temporary sysfs and /dev laid out as the kernel does: the class entry
// links to the hidraw directory below its HID device, whose parents are the
// USB interface and the USB device.
class FakeSystem {
public:
    FakeSystem() {
        QDir(dir.path()).mkpath("sys/class/hidraw");
        QDir(dir.path()).mkpath("dev");
    }
    QString sysfs() const { return dir.filePath("sys"); }
    QString dev() const { return dir.filePath("dev"); }

    // Returns the HID device directory; `usbDevice` empty for a device on
    // another bus (no USB strings).
    QString addHid(const QString& node, const QString& parent, const QString& hidName, const QString& uevent,
                   const QByteArray& descriptor) {
        const QString hidDir = sysfs() + "/devices/" + parent + "/" + hidName;
        QDir().mkpath(hidDir + "/hidraw/" + node);
        write(hidDir + "/uevent", uevent.toUtf8());
        write(hidDir + "/report_descriptor", descriptor);
        QFile::link("../../../" + hidName, hidDir + "/hidraw/" + node + "/device");
        QFile::link("../../devices/" + parent + "/" + hidName + "/hidraw/" + node,
                    sysfs() + "/class/hidraw/" + node);
        return hidDir;
    }
    void addUsbStrings(const QString& usbDevice, const QString& manufacturer, const QString& product,
                       const QString& serial) {
        const QString path = sysfs() + "/devices/" + usbDevice;
        write(path + "/idVendor", "28e9\n");
        write(path + "/manufacturer", manufacturer.toUtf8() + "\n");
        write(path + "/product", product.toUtf8() + "\n");
        write(path + "/serial", serial.toUtf8() + "\n");
    }
    void addNode(const QString& node) { write(dev() + "/" + node, {}); }
    void removeNode(const QString& node) { QFile::remove(dev() + "/" + node); }

    QTemporaryDir dir;

private:
    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
    }
};

void addDsp(FakeSystem& system, const QString& node = "hidraw2", const QString& instance = "0001") {
    system.addHid(node, "pci0/usb1/1-1/1-1:1.0", "0003:28E9:028A." + instance,
                  "DRIVER=hid-generic\nHID_ID=0003:000028E9:0000028A\nHID_NAME=Maker DSP\nHID_UNIQ=\n",
                  kestrel_test::vendor64Descriptor());
    system.addUsbStrings("pci0/usb1/1-1", "Maker Inc.", "Kestrel DSP", "SN0042");
    system.addNode(node);
}

void addBluetoothKeyboard(FakeSystem& system) {
    system.addHid("hidraw10", "virtual/bt/hci0", "0005:046D:B342.0002",
                  "HID_ID=0005:0000046D:0000B342\nHID_NAME=Slim Keys\nHID_UNIQ=aa:bb:cc:dd:ee:ff\n",
                  kestrel_test::keyboardDescriptor());
    system.addNode("hidraw10");
}

}  // namespace

TEST(HidrawBackendTest, EnumeratesDevicesWithTheirProperties) {
    FakeSystem system;
    addBluetoothKeyboard(system);
    addDsp(system);
    // A device whose node does not exist is left out.
    system.addHid("hidraw3", "virtual/x", "0006:0001:0002.0003", "HID_ID=0006:00000001:00000002\n", {});

    hid::HidrawBackend backend(system.sysfs(), system.dev());
    const auto devices = backend.devices();
    ASSERT_EQ(devices.size(), 2);

    const auto& dsp = devices[0];  // hidraw2 before hidraw10
    EXPECT_EQ(dsp.vendorID, 0x28E9);
    EXPECT_EQ(dsp.productID, 0x028A);
    EXPECT_EQ(dsp.manufacturer, "Maker Inc.");
    EXPECT_EQ(dsp.product, "Kestrel DSP");
    EXPECT_EQ(dsp.serial, "SN0042");
    EXPECT_EQ(dsp.transport, "USB");
    EXPECT_EQ(dsp.usagePage, 0xFF00);
    EXPECT_EQ(dsp.usage, 1);
    EXPECT_EQ(dsp.maxInputReport, 64);
    EXPECT_EQ(dsp.maxOutputReport, 64);
    EXPECT_EQ(dsp.reportDescriptor, kestrel_test::vendor64Descriptor());
    EXPECT_EQ(dsp.path, system.dev() + "/hidraw2");
    EXPECT_NE(dsp.id, 0u);

    const auto& keyboard = devices[1];
    EXPECT_EQ(keyboard.vendorID, 0x046D);
    EXPECT_EQ(keyboard.transport, "Bluetooth");
    EXPECT_EQ(keyboard.manufacturer, std::nullopt);
    EXPECT_EQ(keyboard.product, "Slim Keys");
    EXPECT_EQ(keyboard.serial, "aa:bb:cc:dd:ee:ff");
    EXPECT_EQ(keyboard.usage, 6);

    // The id is the same on every reading of the same attachment.
    hid::HidrawBackend again(system.sysfs(), system.dev());
    EXPECT_EQ(again.devices()[0].id, dsp.id);
}

TEST(HidrawBackendTest, HotPlugFollowsTheDeviceDirectory) {
    FakeSystem system;
    addBluetoothKeyboard(system);
    hid::HidrawBackend backend(system.sysfs(), system.dev());
    ASSERT_EQ(backend.devices().size(), 1);
    QSignalSpy matched(&backend, &hid::Backend::deviceMatched);
    QSignalSpy removed(&backend, &hid::Backend::deviceRemoved);

    addDsp(system);
    ASSERT_TRUE(matched.wait(5000));
    const auto dsp = matched[0][0].value<hid::DeviceProperties>();
    EXPECT_EQ(dsp.productID, 0x028A);
    EXPECT_EQ(backend.devices().size(), 2);

    system.removeNode("hidraw2");
    ASSERT_TRUE(removed.wait(5000));
    EXPECT_EQ(removed[0][0].value<quint64>(), dsp.id);
    EXPECT_EQ(matched.count(), 1);
    EXPECT_EQ(backend.devices().size(), 1);
}

TEST(HidrawBackendTest, OpenFailureGivesTheErrno) {
    FakeSystem system;
    addDsp(system);
    hid::HidrawBackend backend(system.sysfs(), system.dev());
    const quint64 id = backend.devices().at(0).id;
    system.removeNode("hidraw2");  // gone before the watch has caught up
    const auto result = backend.open(id);
    EXPECT_FALSE(result.device);
    EXPECT_EQ(result.error, ENOENT);
    EXPECT_EQ(hid::errorCodeText(result.error), "0x00000002");
}
