// The device connection over TCP to the simulator: handshake, statuses and link changes.

#include "link/DSPConnection.h"

#include <gtest/gtest.h>

#include "link/TrafficLog.h"
#include "support/LinkRig.h"

namespace {

using kestrel_test::LinkRig;
using kestrel_test::spinUntil;
using Kind = DSPConnection::Status::Kind;

constexpr DSPFrame::Address broadcast = DSPFrame::broadcast;

TEST(DSPConnectionTest, HandshakeIdentifiesThenReadsGroupThenName) {
    TrafficLog::shared().clear();
    LinkRig rig;
    DSPConnection& link = rig.start();
    EXPECT_EQ(link.status(), DSPConnection::Status::searching());
    EXPECT_EQ(link.transport(), "");
    ASSERT_TRUE(rig.connectToSimulator());

    EXPECT_EQ(link.status(), DSPConnection::Status::connected("Kestrel Sim"));
    EXPECT_EQ(link.deviceName(), "Kestrel Sim");
    EXPECT_EQ(link.deviceGroup(), "Stage");
    EXPECT_EQ(link.firmware(), "1.2.3");
    EXPECT_EQ(link.firmwareDate(), "2024-03-15");
    EXPECT_EQ(link.transport(), "Network " + rig.simulator.host());
    EXPECT_EQ(link.address(), rig.simulator.device().address);
    EXPECT_EQ(rig.connectionChanges, QList<bool>{true});
    EXPECT_EQ(rig.settings.text("networkHost"), rig.simulator.host());
    EXPECT_TRUE(rig.settings.flag("useNetwork"));

    const QList<DSPFrame> sent = rig.simulator.received();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_EQ(sent[0], (DSPFrame{broadcast, 3, {}}));
    EXPECT_EQ(sent[1], (DSPFrame{rig.simulator.device().address, 0x23, DSPFrame::Words(6, 0)}));
    EXPECT_EQ(sent[2], (DSPFrame{rig.simulator.device().address, 0x20B, DSPFrame::Words(6, 0)}));

    const QList<TrafficEntry> log = TrafficLog::shared().entries();
    ASSERT_EQ(log.size(), 7);
    EXPECT_EQ(log[0].direction, TrafficEntry::Direction::info);
    EXPECT_EQ(log[0].note, "Connected to " + rig.simulator.host() + ":8234");
    EXPECT_EQ(log[1].bytes, QByteArray::fromHex("A5A11A5AFFFFFFFFFFFF03000000000000000000"));
    EXPECT_EQ(log[2].direction, TrafficEntry::Direction::received);
}

TEST(DSPConnectionTest, FirmwareDateFromTheAnswerBytes) {
    LinkRig rig;
    SimDevice& device = rig.simulator.device();
    device.firmware[0] = 10;
    device.firmware[1] = 0;
    device.firmware[2] = 255;
    device.year = 1999;
    device.month = 12;
    device.day = 7;
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());
    EXPECT_EQ(link.firmware(), "10.0.255");
    EXPECT_EQ(link.firmwareDate(), "1999-12-07");
}

TEST(DSPConnectionTest, ShortIdentifyAnswerStillConnects) {
    LinkRig rig;
    rig.simulator.device().identityWordCount = 3;  // 12 bytes: no firmware fields
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());
    EXPECT_EQ(link.firmware(), std::nullopt);
    EXPECT_EQ(link.firmwareDate(), std::nullopt);
    EXPECT_EQ(link.address(), rig.simulator.device().address);
    EXPECT_EQ(link.deviceGroup(), "Stage");
}

TEST(DSPConnectionTest, EmptyAndMissingNames) {
    {
        LinkRig rig;
        rig.simulator.device().name = "";
        DSPConnection& link = rig.start();
        ASSERT_TRUE(rig.connectToSimulator());
        EXPECT_EQ(link.deviceName(), "");
        EXPECT_EQ(link.status(), DSPConnection::Status::connected("DSP"));
    }
    {
        LinkRig rig;
        rig.simulator.faults().silentCommands = {0x20B, 0x23};
        DSPConnection& link = rig.start();
        ASSERT_TRUE(rig.connectToSimulator());
        EXPECT_EQ(link.deviceName(), "DSP");
        EXPECT_EQ(link.deviceGroup(), "");
        EXPECT_EQ(link.status(), DSPConnection::Status::connected("DSP"));
    }
}

TEST(DSPConnectionTest, SilentDeviceKeepsTheLinkWithoutConnecting) {
    LinkRig rig;
    rig.simulator.faults().silentCommands = {3};
    DSPConnection& link = rig.start();
    link.connect(rig.simulator.host());
    ASSERT_TRUE(rig.waitForStatus(Kind::error));
    EXPECT_EQ(link.status().text(), "The DSP didn't answer over the network.");
    EXPECT_TRUE(link.hasNetworkLink());
    EXPECT_TRUE(rig.connectionChanges.isEmpty());
    EXPECT_EQ(rig.simulator.received().size(), 1);
}

TEST(DSPConnectionTest, RefusedPortWaitsAndRetriesUntilTheDeviceListens) {
    LinkRig rig;
    const QString host = rig.simulator.host();
    rig.simulator.stop();
    DSPConnection& link = rig.start();
    link.connect(host);
    ASSERT_TRUE(rig.waitForStatus(Kind::error));
    EXPECT_EQ(link.status().text(), "Waiting for the DSP at " + host + "… (Connection refused)");
    EXPECT_TRUE(link.hasNetworkLink());
    // A request while the link waits is not sent later: it ends with no answer and is not logged.
    TrafficLog::shared().clear();
    auto early = kestrel_test::startRequest(link, DSPFrame{broadcast, 6, {0, 1}}, 0.05,
                                            [](const DSPFrame&) { return true; });
    ASSERT_TRUE(spinUntil([&] { return early->done; }));
    EXPECT_EQ(early->answer, std::nullopt);
    EXPECT_TRUE(TrafficLog::shared().entries().isEmpty());

    ASSERT_TRUE(rig.simulator.listen(QHostAddress(host)));
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    EXPECT_EQ(rig.connectionChanges, QList<bool>{true});
    EXPECT_TRUE(rig.simulator.receivedWithCommand(6).isEmpty());
}

TEST(DSPConnectionTest, UnresolvableHostFailsAndClosesTheLink) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    // Not a valid host name, so it fails without asking any name server.
    link.connect("no..such..host");
    ASSERT_TRUE(rig.waitForStatus(Kind::error));
    EXPECT_TRUE(link.status().text().startsWith("Can't reach the DSP at no..such..host: "))
        << link.status().text().toStdString();
    EXPECT_FALSE(link.hasNetworkLink());
    EXPECT_EQ(rig.connectionChanges, QList<bool>{false});
}

TEST(DSPConnectionTest, PeerClosingShowsTheClosedTextAndResetsTheLink) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());
    rig.simulator.closeClients();
    ASSERT_TRUE(rig.waitForStatus(Kind::error));
    EXPECT_EQ(link.status().text(), "The network connection to the DSP closed.");
    EXPECT_FALSE(link.hasNetworkLink());
    EXPECT_EQ(link.transport(), "");
    EXPECT_EQ(link.address(), broadcast);
    EXPECT_EQ(link.deviceName(), "Kestrel Sim");  // the texts keep their last values
    EXPECT_EQ(rig.connectionChanges, (QList<bool>{true, false}));
}

TEST(DSPConnectionTest, DisconnectingForgetsTheNetworkAndSearches) {
    LinkRig rig;
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());
    link.disconnectNetwork(true);
    EXPECT_EQ(link.status(), DSPConnection::Status::searching());
    EXPECT_FALSE(rig.settings.flag("useNetwork"));
    EXPECT_EQ(rig.connectionChanges, (QList<bool>{true, false}));
    link.disconnectNetwork(true);  // nothing left to close
    EXPECT_EQ(rig.connectionChanges.size(), 2);
}

TEST(DSPConnectionTest, SecondConnectReplacesTheFirstLink) {
    LinkRig rig;
    DeviceSimulator other;
    ASSERT_TRUE(other.listenOnRandomLoopback());
    other.device().name = "Other";
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());

    rig.simulator.faults().silentCommands = {6};
    auto pending = kestrel_test::startRequest(link, DSPFrame{link.address(), 6, {0, 1}}, 5.0,
                                              [](const DSPFrame&) { return true; });
    link.connect(other.host());
    EXPECT_TRUE(spinUntil([&] { return pending->done; }));
    EXPECT_EQ(pending->answer, std::nullopt);
    EXPECT_EQ(link.status(), DSPConnection::Status::searching());
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    EXPECT_EQ(link.deviceName(), "Other");
    // The old link's peer going away later changes nothing.
    rig.simulator.closeClients();
    EXPECT_FALSE(spinUntil([&] { return !link.status().isConnected(); }, 0.1));
    EXPECT_EQ(rig.connectionChanges, (QList<bool>{true, false, true}));
}

TEST(DSPConnectionTest, HandshakeOfAReplacedLinkLeavesTheNewOneAlone) {
    LinkRig rig;
    DeviceSimulator other;
    ASSERT_TRUE(other.listenOnRandomLoopback());
    other.device().name = "Other";
    other.faults().delayMs = 50;
    rig.simulator.faults().silentCommands = {0x20B};
    DSPConnection& link = rig.start();
    link.connect(rig.simulator.host());
    ASSERT_TRUE(spinUntil([&] { return !rig.simulator.receivedWithCommand(0x20B).isEmpty(); }));
    // The old handshake's name request ends with no answer; it must not declare the new link connected.
    link.connect(other.host());
    EXPECT_FALSE(spinUntil([&] { return rig.connectionChanges.size() > 1; }, 0.02));
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    EXPECT_EQ(link.status(), DSPConnection::Status::connected("Other"));
    EXPECT_EQ(rig.connectionChanges, (QList<bool>{false, true}));
}

TEST(DSPConnectionTest, RestoresTheSavedNetworkLinkAfterStart) {
    LinkRig rig;
    rig.settings.setValue("useNetwork", true);
    rig.settings.setValue("networkHost", rig.simulator.host());
    DSPConnection& link = rig.start();
    EXPECT_FALSE(link.hasNetworkLink());
    ASSERT_TRUE(rig.waitForStatus(Kind::connected));
    EXPECT_EQ(link.transport(), "Network " + rig.simulator.host());

    // A link the user made before the restore is due stays up: no second connection.
    LinkRig early;
    early.settings.setValue("useNetwork", true);
    early.settings.setValue("networkHost", rig.simulator.host());
    DSPConnection& userLink = early.start();
    userLink.connect(early.simulator.host());
    ASSERT_TRUE(early.waitForStatus(Kind::connected));
    EXPECT_FALSE(
        spinUntil([&] { return early.connectionChanges.size() > 1; }, DSPConnection::restoreDelay + 0.3));
    EXPECT_EQ(userLink.transport(), "Network " + early.simulator.host());
    EXPECT_EQ(early.simulator.receivedWithCommand(3).size(), 1);

    // A stored host in another spelling than a plain dotted quad is not tried.
    LinkRig odd;
    odd.settings.setValue("useNetwork", true);
    odd.settings.setValue("networkHost", "127.0.0..1");
    DSPConnection& oddLink = odd.start();
    EXPECT_FALSE(spinUntil([&] { return oddLink.hasNetworkLink(); }, DSPConnection::restoreDelay + 0.3));
}

TEST(DSPConnectionTest, OfflineModeIgnoresTheDevice) {
    EXPECT_TRUE(DSPConnection::isOfflineValue("1"));
    for (const char* value : {"true", "1 ", "0", ""})
        EXPECT_FALSE(DSPConnection::isOfflineValue(value)) << value;

    LinkRig rig;
    rig.settings.setValue("useNetwork", true);
    rig.settings.setValue("networkHost", rig.simulator.host());
    hid::FakeDevice* device = rig.plugKestrel();
    DSPConnection& link = rig.start(true);
    EXPECT_EQ(link.status().text(), "Offline mode (TSL_OFFLINE=1): the DSP is ignored.");
    EXPECT_FALSE(spinUntil([&] { return device->isOpen() || link.hasNetworkLink(); }, 1.2));

    // Nor does the user's "Connect over network…" turn the link on, or change the stored host.
    rig.settings.setValue("useNetwork", false);
    link.connect("127.0.0.1");
    EXPECT_FALSE(link.hasNetworkLink());
    EXPECT_EQ(link.status().text(), "Offline mode (TSL_OFFLINE=1): the DSP is ignored.");
    EXPECT_EQ(rig.settings.text("networkHost"), rig.simulator.host());
    EXPECT_FALSE(rig.settings.flag("useNetwork"));
}

}  // namespace
