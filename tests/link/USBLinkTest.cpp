// The device connection over USB through the fake HID backend.

#include "link/DSPConnection.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "link/TrafficLog.h"
#include "platform/Tasks.h"
#include "support/LinkRig.h"

namespace {

using kestrel_test::LinkRig;
using kestrel_test::spinUntil;
using kestrel_test::startRequest;
using Kind = DSPConnection::Status::Kind;

auto anyFrame() {
    return [](const DSPFrame&) { return true; };
}

TEST(USBLinkTest, PluggedDeviceOpensAndIdentifies) {
    TrafficLog::shared().clear();
    LinkRig rig;
    hid::FakeDevice* present = rig.plugKestrel();  // already attached when the link starts
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    EXPECT_TRUE(present->isOpen());
    EXPECT_EQ(link.transport(), "USB");
    EXPECT_EQ(link.deviceName(), "Kestrel Sim");
    EXPECT_EQ(link.firmware(), "1.2.3");
    EXPECT_EQ(rig.connectionChanges, QList<bool>{true});
    ASSERT_EQ(TrafficLog::shared().entries().size(), 7);
    EXPECT_EQ(TrafficLog::line(TrafficLog::shared().entries()[0]).mid(12),
              " DSP • [0]   # DSP connected over USB");
    present->unplug();
    ASSERT_TRUE(rig.waitForStatus(Kind::searching));
    EXPECT_EQ(TrafficLog::shared().entries().last().note, "DSP disconnected");
}

TEST(USBLinkTest, FramesGoOutAsPaddedReportsWithReportIdZero) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    hid::FakeDevice* device = rig.plugKestrel(false);
    ASSERT_TRUE(spinUntil([&] { return link.hasOpenUSBDevice(); }));
    ASSERT_TRUE(spinUntil([&] { return link.isBusy(); }));  // the identify request
    device->takeOutputReports();
    // Answer the identify by hand, then let the rest of the handshake run out unanswered.
    const DSPFrame::Address address{1, 2, 3, 4, 5, 6};
    for (const QByteArray& report : DSPFrame{address, 3, {}}.reports(DSPFrame::reportSize))
        device->sendInputReport(report);
    ASSERT_TRUE(spinUntil([&] { return link.address() == address; }));
    link.finish(std::nullopt);
    ASSERT_TRUE(spinUntil([&] { return link.isBusy(); }));
    link.finish(std::nullopt);
    ASSERT_TRUE(spinUntil([&] { return link.status().isConnected(); }));
    device->takeOutputReports();

    // The frame takes the link's address when it goes out.
    DSPFrame big{DSPFrame::broadcast, 129, DSPFrame::Words(256, 0x11223344)};
    auto outcome = startRequest(link, big, 5.0, anyFrame());
    big.address = address;
    ASSERT_TRUE(spinUntil([&] { return link.isBusy() && link.queuedCount() == 0; }));
    QList<QByteArray> reports;
    ASSERT_TRUE(spinUntil([&] {
        reports += device->takeOutputReports();
        return reports.size() >= 17;
    }));
    // 256 words is 1044 bytes: 17 reports, the last one padded.
    ASSERT_EQ(reports.size(), 17);
    QByteArray joined;
    for (const QByteArray& report : reports) {
        ASSERT_EQ(report.size(), 65);
        EXPECT_EQ(report[0], 0);
        joined += report.mid(1);
    }
    EXPECT_EQ(joined.left(1044), big.encode());
    EXPECT_EQ(joined.mid(1044), QByteArray(1088 - 1044, 0));
    link.failAll();
    EXPECT_TRUE(spinUntil([&] { return outcome->done; }));
}

TEST(USBLinkTest, FailedReportEndsTheRequestAtOnceAndTheNextGoesOut) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    hid::FakeDevice* device = rig.plugKestrel();
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    device->failSends(2, EIO);
    TrafficLog::shared().clear();
    const DSPFrame big{link.address(), 129, DSPFrame::Words(256, 7)};
    auto failed = startRequest(link, big, 60.0, anyFrame());
    device->failSends(0, 0);
    std::optional<std::optional<DSPFrame::Words>> next;
    tasks::startTask([&]() -> QCoro::Task<> { next = co_await link.readParam(1); });
    // The failed request ends without waiting out its minute; the read behind it is answered.
    ASSERT_TRUE(spinUntil([&] { return next.has_value(); }));
    EXPECT_TRUE(failed->done);
    EXPECT_EQ(failed->answer, std::nullopt);
    EXPECT_TRUE(next->has_value());
    EXPECT_TRUE(rig.simulator.receivedWithCommand(129).isEmpty());
    // The frame that never went out is not in the log; the read behind it and its answer are.
    ASSERT_EQ(TrafficLog::shared().entries().size(), 2);
    EXPECT_EQ(TrafficLog::shared().entries()[0].bytes, (DSPFrame{link.address(), 6, {0, 1}}.encode()));
}

TEST(USBLinkTest, UnplugDuringARequest) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    hid::FakeDevice* device = rig.plugKestrel();
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    auto waiting = startRequest(link, DSPFrame{link.address(), 0x99, {}}, 60.0, anyFrame());
    device->unplug();
    ASSERT_TRUE(spinUntil([&] { return waiting->done; }));
    EXPECT_EQ(waiting->answer, std::nullopt);
    EXPECT_EQ(link.status(), DSPConnection::Status::searching());
    EXPECT_EQ(link.transport(), "");
    EXPECT_EQ(link.address(), DSPFrame::broadcast);
    EXPECT_FALSE(link.hasOpenUSBDevice());
    EXPECT_EQ(rig.connectionChanges, (QList<bool>{true, false}));

    // Plugged back in, it is found again.
    rig.plugKestrel();
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
}

TEST(USBLinkTest, SecondMatchingDeviceIsIgnored) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    rig.plugKestrel();
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    hid::FakeDevice* second = rig.plugKestrel();
    hid::DeviceProperties other;
    other.vendorID = 0x1234;
    other.productID = DSPConnection::productID;
    hid::FakeDevice* stranger = rig.backend.plug(other);
    EXPECT_FALSE(spinUntil([&] { return second->isOpen() || stranger->isOpen(); }, 0.05));
    second->unplug();
    EXPECT_TRUE(link.status().isConnected());
    EXPECT_EQ(rig.connectionChanges, QList<bool>{true});
}

TEST(USBLinkTest, OpenFailureIsReported) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());
    hid::FakeDevice* device = rig.plugKestrel(false);  // only remembered while the network link is up
    device->failOpen(EACCES);
    link.disconnectNetwork(true);
    EXPECT_EQ(link.status(), DSPConnection::Status::error("The DSP was found but couldn't be opened."));
    EXPECT_FALSE(link.hasOpenUSBDevice());
    // The device is not kept: plugged in again, it opens.
    device->unplug();
    rig.plugKestrel();
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
}

TEST(USBLinkTest, NetworkLinkHasPriorityAndTheDeviceOpensWhenItCloses) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());
    hid::FakeDevice* device = rig.plugKestrel();
    EXPECT_FALSE(spinUntil([&] { return device->isOpen(); }, 0.05));
    EXPECT_EQ(link.transport(), "Network " + rig.simulator.host());

    link.disconnectNetwork(true);
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    EXPECT_TRUE(device->isOpen());
    EXPECT_EQ(link.transport(), "USB");
    EXPECT_EQ(rig.connectionChanges, (QList<bool>{true, false, true}));
}

TEST(USBLinkTest, RememberedDeviceIsNoTransport) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());
    rig.plugKestrel();
    rig.simulator.closeClients();  // the link ends without the user closing it
    ASSERT_TRUE(rig.waitForStatus(Kind::error));
    auto outcome = startRequest(link, DSPFrame{DSPFrame::broadcast, 3, {}}, 60.0, anyFrame());
    EXPECT_TRUE(outcome->done);
    EXPECT_EQ(outcome->answer, std::nullopt);
    EXPECT_FALSE(link.isBusy());
}

TEST(USBLinkTest, OpenDeviceIgnoredWhileTheNetworkLinkIsUp) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    hid::FakeDevice* device = rig.plugKestrel();
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    ASSERT_TRUE(rig.connectToSimulator());
    EXPECT_EQ(link.transport(), "Network " + rig.simulator.host());
    rig.frames.clear();
    device->sendInputReport(DSPFrame{DSPFrame::broadcast, 0x77, {}}.reports(64).first());
    rig.simulator.sendToAll(0x78, {});
    ASSERT_TRUE(spinUntil([&] { return !rig.frames.isEmpty(); }));
    EXPECT_EQ(rig.frames.first().command, 0x78);
}

TEST(USBLinkTest, RestoreDoesNothingWhenUSBOpenedFirst) {
    LinkRig rig;
    rig.settings.setValue("useNetwork", true);
    rig.settings.setValue("networkHost", rig.simulator.host());
    rig.plugKestrel();
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    EXPECT_FALSE(spinUntil([&] { return link.hasNetworkLink(); }, 1.3));
    EXPECT_EQ(link.transport(), "USB");
}

}  // namespace
