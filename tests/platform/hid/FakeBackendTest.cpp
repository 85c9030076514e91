#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cerrno>

#include "support/CannedHidDescriptors.h"
#include "support/hid/FakeBackend.h"

using hid::FakeBackend;

namespace {

QByteArray counting(int size, int start = 0) {
    QByteArray bytes;
    for (int i = 0; i < size; ++i) bytes.append(char(start + i));
    return bytes;
}

}  // namespace

TEST(FakeBackendTest, ListsPluggedDevicesWithTheirDescriptorProperties) {
    FakeBackend backend;
    QSignalSpy matched(&backend, &hid::Backend::deviceMatched);
    auto* dsp = backend.plug(0x28E9, 0x028A, kestrel_test::vendor64Descriptor(), "Maker", "DSP");
    auto* keyboard = backend.plug(0x046D, 0xC31C, kestrel_test::keyboardDescriptor());
    ASSERT_EQ(matched.count(), 2);
    ASSERT_EQ(backend.devices().size(), 2);
    const auto first = backend.devices().at(0);
    EXPECT_EQ(first.id, dsp->id());
    EXPECT_NE(dsp->id(), keyboard->id());
    EXPECT_EQ(first.usagePage, 0xFF00);
    EXPECT_EQ(first.maxInputReport, 64);
    EXPECT_EQ(first.manufacturer, "Maker");
    EXPECT_EQ(backend.devices().at(1).manufacturer, std::nullopt);
    EXPECT_EQ(backend.devices().at(1).usage, 6);
}

TEST(FakeBackendTest, OutputAndInputReportsKeepTheirBoundaries) {
    FakeBackend backend;
    auto* fake = backend.plug(0x28E9, 0x028A, kestrel_test::vendor64Descriptor());
    auto opened = backend.open(fake->id());
    ASSERT_TRUE(opened.device);
    auto& device = *opened.device;
    EXPECT_TRUE(fake->isOpen());

    EXPECT_EQ(device.sendOutputReport(0, counting(64)), 0);
    EXPECT_EQ(device.sendOutputReport(7, counting(3, 100)), 0);
    const auto written = fake->takeOutputReports();
    ASSERT_EQ(written.size(), 2);
    EXPECT_EQ(written[0], QByteArray(1, 0) + counting(64));
    EXPECT_EQ(written[1], QByteArray(1, 7) + counting(3, 100));
    EXPECT_TRUE(fake->takeOutputReports().isEmpty());

    QSignalSpy input(&device, &hid::Device::inputReport);
    ASSERT_TRUE(fake->sendInputReport(counting(64, 1)));
    ASSERT_TRUE(fake->sendInputReport(counting(10, 2)));
    while (input.count() < 2) ASSERT_TRUE(input.wait(5000));
    EXPECT_EQ(input[0][0].value<quint8>(), 0);  // unnumbered: no id byte taken
    EXPECT_EQ(input[0][1].toByteArray(), counting(64, 1));
    EXPECT_EQ(input[1][1].toByteArray(), counting(10, 2));

    device.close();
    EXPECT_FALSE(fake->isOpen());
    EXPECT_EQ(device.sendOutputReport(0, counting(4)), ENODEV);
}
