#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cerrno>

#include "diagnostics/HIDTransport.h"
#include "link/TrafficLog.h"
#include "support/CannedHidDescriptors.h"
#include "support/hid/FakeBackend.h"

using Direction = TrafficEntry::Direction;

namespace {

class HIDTransportTest : public ::testing::Test {
protected:
    hid::FakeBackend backend;
    TrafficLog log;

    hid::FakeDevice* plugDsp() {
        return backend.plug(0x28E9, 0x028A, kestrel_test::vendor64Descriptor(), "Zeta Audio", "Kestrel");
    }
    hid::FakeDevice* plugVendorBox(const QString& manufacturer = "Acme", const QString& product = "Box") {
        return backend.plug(0x1234, 0x0002, kestrel_test::vendor64Descriptor(), manufacturer, product);
    }
    QStringList products(const HIDTransport& transport) const {
        QStringList names;
        for (const auto& device : transport.devices()) names << device.product;
        return names;
    }
    QStringList notes(qsizetype from = 0) const {
        QStringList result;
        for (qsizetype i = from; i < log.entries().size(); ++i) result << log.entries()[i].note;
        return result;
    }
    HIDDeviceInfo listed(const HIDTransport& transport, quint64 id) const {
        for (const auto& device : transport.devices()) {
            if (device.id == id) return device;
        }
        ADD_FAILURE() << "device not listed";
        return {};
    }
    static void settle() { QCoreApplication::processEvents(); }
};

}  // namespace

TEST_F(HIDTransportTest, ListsFiltersAndSortsDevicesWithTheirProperties) {
    plugVendorBox("Zulu", "Unit");
    backend.plug(0x046D, 0xC31C, kestrel_test::keyboardDescriptor(), "Logi", "Keyboard");
    backend.plug(0x046D, 0xC077, kestrel_test::mouseDescriptor(), "Logi", "Mouse");
    backend.plug(0x1234, 0x0003, kestrel_test::numberedDescriptor(), "Acme", "Remote");  // consumer page
    backend.plug(0x1234, 0x0004, kestrel_test::vendor64Descriptor(), "Apple Inc.", "Pad");
    backend.plug(0x1234, 0x0005, kestrel_test::vendor64Descriptor(), "APPL", "Bridge");
    backend.plug(0x05AC, 0x0006, kestrel_test::vendor64Descriptor(), "Maker", "Trackpad");
    backend.plug(0x0000, 0x0007, kestrel_test::vendor64Descriptor(), "Nobody", "Virtual");
    plugVendorBox("Acme", "Box");
    // The DSP is listed and first although its keyboard-like descriptor would hide it.
    const auto* dsp =
        backend.plug(0x28E9, 0x028A, kestrel_test::keyboardDescriptor(), "Zeta Audio", "Kestrel");

    HIDTransport transport(log, backend);
    EXPECT_EQ(products(transport), (QStringList{"Kestrel", "Box", "Unit"}));
    const HIDDeviceInfo info = transport.devices().first();
    EXPECT_EQ(info.id, dsp->id());
    EXPECT_EQ(info.vendorID, 0x28E9);
    EXPECT_EQ(info.manufacturer, "Zeta Audio");
    EXPECT_EQ(info.transport, "USB");
    EXPECT_EQ(info.usagePage, 1);
    EXPECT_EQ(info.usage, 6);
    EXPECT_EQ(info.maxInputReport, 8);
    EXPECT_EQ(info.maxOutputReport, 1);

    QSignalSpy changed(&transport, &HIDTransport::devicesChanged);
    transport.setShowAll(true);
    EXPECT_EQ(changed.count(), 1);
    // Case-sensitive text order: "APPL" < "Acme" < "Apple Inc.".
    EXPECT_EQ(products(transport), (QStringList{"Kestrel", "Bridge", "Box", "Remote", "Pad", "Keyboard",
                                                "Mouse", "Trackpad", "Virtual", "Unit"}));
    const auto remote = transport.devices().at(3);
    EXPECT_EQ(remote.usagePage, 0x0C);
    EXPECT_EQ(remote.maxInputReport, 33);
    EXPECT_EQ(remote.maxOutputReport, 17);
    EXPECT_EQ(remote.maxFeatureReport, 5);
}

TEST_F(HIDTransportTest, OpenAndCloseLogTheDeviceAndFailuresTheirCode) {
    auto* dsp = plugDsp();
    const auto* box = plugVendorBox();
    HIDTransport transport(log, backend);
    QSignalSpy openChanged(&transport, &HIDTransport::openDeviceIDChanged);

    transport.open(listed(transport, dsp->id()));
    EXPECT_EQ(transport.openDeviceID(), dsp->id());
    ASSERT_EQ(log.entries().size(), 2);
    EXPECT_EQ(log.entries()[0].transport, "USB");
    EXPECT_EQ(log.entries()[0].direction, Direction::info);
    EXPECT_EQ(log.entries()[0].note,
              "opened 28E9:028A Zeta Audio Kestrel \u2014 in 64 / out 64 / feature 0 bytes");
    EXPECT_EQ(log.entries()[1].note, "HID report descriptor");
    EXPECT_EQ(log.entries()[1].bytes, kestrel_test::vendor64Descriptor());

    transport.open(listed(transport, box->id()));
    EXPECT_EQ(notes(2),
              (QStringList{"closed", "opened 1234:0002 Acme Box \u2014 in 64 / out 64 / feature 0 bytes",
                           "HID report descriptor"}));
    EXPECT_EQ(transport.openDeviceID(), box->id());
    EXPECT_FALSE(backend.device(dsp->id())->isOpen());
    EXPECT_TRUE(backend.device(box->id())->isOpen());

    // A device that is no longer listed is not opened, but the open one is closed.
    HIDDeviceInfo gone = listed(transport, dsp->id());
    gone.id = 0xDEAD;
    transport.open(gone);
    EXPECT_EQ(notes(5), QStringList{"closed"});
    EXPECT_EQ(transport.openDeviceID(), std::nullopt);

    transport.close();  // nothing open: nothing logged
    EXPECT_EQ(log.entries().size(), 6);
    EXPECT_GE(openChanged.count(), 3);

    // A failed open is logged with the error code.
    dsp->failOpen(EACCES);
    transport.open(listed(transport, dsp->id()));
    EXPECT_EQ(notes(6), QStringList{"open 28E9:028A failed: 0x0000000D"});
    EXPECT_EQ(transport.openDeviceID(), std::nullopt);
}

TEST_F(HIDTransportTest, SendPadsNeverCutsAndLogsTheBytesAsSent) {
    auto* dsp = plugDsp();
    HIDTransport transport(log, backend);
    transport.send(QByteArray::fromHex("AA"), 0, 64);  // nothing open
    EXPECT_TRUE(log.entries().isEmpty());

    transport.open(transport.devices().first());
    const qsizetype before = log.entries().size();
    transport.send(QByteArray::fromHex("010203"), 0, 64);
    transport.send(QByteArray(70, '\x11'), 0, 64);
    transport.send(QByteArray::fromHex("0405"), 5, std::nullopt);
    transport.send({}, 0, 64);

    const QByteArray padded = QByteArray::fromHex("010203") + QByteArray(61, '\0');
    const auto written = dsp->takeOutputReports();
    ASSERT_EQ(written.size(), 4);
    EXPECT_EQ(written[0], QByteArray(1, '\0') + padded);
    EXPECT_EQ(written[1], QByteArray(1, '\0') + QByteArray(70, '\x11'));
    EXPECT_EQ(written[2], QByteArray::fromHex("050405"));
    EXPECT_EQ(written[3], QByteArray(65, '\0'));

    const auto& entries = log.entries();
    ASSERT_EQ(entries.size(), before + 4);
    EXPECT_EQ(entries[before].direction, Direction::sent);
    EXPECT_EQ(entries[before].bytes, padded);
    EXPECT_EQ(entries[before].note, "");
    EXPECT_EQ(entries[before + 1].bytes.size(), 70);
    EXPECT_EQ(entries[before + 2].bytes, QByteArray::fromHex("0405"));

    dsp->failSends(0, EIO);
    transport.send(QByteArray::fromHex("01"), 0, std::nullopt);
    EXPECT_EQ(log.entries().last().note, "send failed 0x00000005");
    EXPECT_EQ(log.entries().last().bytes, QByteArray::fromHex("01"));
    dsp->failSends(0, 0);
    transport.send(QByteArray::fromHex("01"), 256, std::nullopt);
    EXPECT_EQ(log.entries().last().note, "send failed 0x00000016");
}

TEST_F(HIDTransportTest, InputReportsAreLoggedWithTheirReportId) {
    auto* dsp = plugDsp();
    auto* remote = backend.plug(0x1234, 0x0003, kestrel_test::numberedDescriptor(), "Acme", "Remote");
    HIDTransport transport(log, backend);
    transport.setShowAll(true);
    QSignalSpy logged(&log, &TrafficLog::entriesChanged);

    transport.open(listed(transport, dsp->id()));
    dsp->sendInputReport(QByteArray(64, '\x42'));
    logged.clear();
    ASSERT_TRUE(logged.wait(5000));
    EXPECT_EQ(log.entries().last().direction, Direction::received);
    EXPECT_EQ(log.entries().last().bytes, QByteArray(64, '\x42'));
    EXPECT_EQ(log.entries().last().note, "");

    transport.open(listed(transport, remote->id()));
    remote->sendInputReport(QByteArray::fromHex("0311223344"));
    logged.clear();
    ASSERT_TRUE(logged.wait(5000));
    EXPECT_EQ(log.entries().last().bytes, QByteArray::fromHex("0311223344"));
    EXPECT_EQ(log.entries().last().note, "report 3");
}

TEST_F(HIDTransportTest, UnplugWhileOpenDropsTheDevice) {
    auto* dsp = plugDsp();
    auto* box = plugVendorBox();
    HIDTransport transport(log, backend);
    QSignalSpy openChanged(&transport, &HIDTransport::openDeviceIDChanged);

    // Pulled by the backend's hot-plug watch.
    transport.open(listed(transport, dsp->id()));
    openChanged.clear();
    dsp->unplug();
    ASSERT_TRUE(openChanged.wait(5000));
    EXPECT_EQ(log.entries().last().note, "device unplugged");
    EXPECT_EQ(transport.openDeviceID(), std::nullopt);
    EXPECT_EQ(products(transport), QStringList{"Box"});

    // Noticed first by the open descriptor (end of file).
    transport.open(listed(transport, box->id()));
    openChanged.clear();
    box->disconnectPeer();
    ASSERT_TRUE(openChanged.wait(5000));
    EXPECT_EQ(log.entries().last().note, "device unplugged");
    EXPECT_TRUE(transport.devices().isEmpty());
    const qsizetype count = log.entries().size();
    transport.close();
    settle();
    EXPECT_EQ(log.entries().size(), count);
}

TEST_F(HIDTransportTest, HidingTheOpenDeviceDropsIt) {
    auto* keyboard = backend.plug(0x046D, 0xC31C, kestrel_test::keyboardDescriptor(), "Logi", "Keyboard");
    HIDTransport transport(log, backend);
    transport.setShowAll(true);
    transport.open(listed(transport, keyboard->id()));
    transport.setShowAll(false);
    EXPECT_EQ(log.entries().last().note, "device unplugged");
    EXPECT_EQ(transport.openDeviceID(), std::nullopt);
    settle();
    EXPECT_FALSE(keyboard->isOpen());
}
