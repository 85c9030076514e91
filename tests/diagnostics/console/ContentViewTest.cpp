#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QUdpSocket>

#include "app/AppContext.h"
#include "app/Page.h"
#include "app/PageFactory.h"
#include "diagnostics/HIDTransport.h"
#include "diagnostics/TCPClient.h"
#include "diagnostics/UDPProbe.h"
#include "diagnostics/console/ContentView.h"
#include "diagnostics/console/NetworkPanel.h"
#include "diagnostics/console/TrafficListModel.h"
#include "diagnostics/console/TrafficListView.h"
#include "diagnostics/console/TrafficPanel.h"
#include "diagnostics/console/USBPanel.h"
#include "link/TrafficLog.h"
#include "support/CannedHidDescriptors.h"
#include "support/ConsoleRig.h"
#include "support/Loopback.h"
#include "support/ScriptedDialogs.h"
#include "support/Spin.h"
#include "support/WidgetTesting.h"
#include "support/hid/FakeBackend.h"

using Direction = TrafficEntry::Direction;
using kestrel_test::ConsoleRig;
using kestrel_test::spinUntil;

TEST(ContentView, ToolsBesideTheTrafficPanel) {
    ConsoleRig rig;
    std::unique_ptr<QWidget> page(buildPageView(Page::of(Page::Kind::diagnostics), rig.context, {}));
    auto* view = qobject_cast<ContentView*>(page.get());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->tab(), ContentView::usbTab);
    EXPECT_EQ(view->tabs()->tabText(0), "USB");
    EXPECT_EQ(view->tabs()->tabText(1), "Network");

    view->resize(1100, 700);
    view->show();
    QCoreApplication::processEvents();
    const QList<int> sizes = view->splitter()->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_NEAR(sizes[0], 420, 1);
    EXPECT_GE(sizes[1], 520);
    // Narrow windows keep both panes at their minimum widths.
    view->resize(600, 700);
    QCoreApplication::processEvents();
    EXPECT_GE(view->splitter()->widget(0)->width(), 380);
    EXPECT_GE(view->trafficPanel()->width(), 520);
}

// Screenshots of both tabs for review; they assert nothing beyond building.
TEST(ContentView, Screenshots) {
    ConsoleRig rig;
    rig.backend.plug(0x28E9, 0x028A, kestrel_test::vendor64Descriptor(), "Zeta Audio", "Kestrel");
    rig.backend.plug(0x1234, 0x0002, kestrel_test::numberedDescriptor(), "Acme", "Remote");
    hid::DeviceProperties bare;
    bare.vendorID = 0x0F0F;
    bare.productID = 0x0001;
    bare.usagePage = 0xFF01;
    rig.backend.plug(bare);
    ContentView view(rig.context);
    view.resize(1240, 760);
    view.show();
    ASSERT_TRUE(spinUntil([&] { return view.usbPanel()->deviceRows().size() == 2; }));
    rig.hid.setShowAll(true);
    rig.hid.open(rig.hid.devices().first());
    view.usbPanel()->hexField()->setText("A5 A1 1A 5A FF FF");

    rig.log.log("DSP", Direction::sent, QByteArray::fromHex("A5A11A5AFFFFFFFFFFFF0300000000000000000000"));
    rig.log.log("DSP", Direction::received,
                QByteArray::fromHex("A5A11A5AFFFFFFFFFFFF03000100000078563412DEADBEEF"));
    QByteArray long_frame;
    for (int i = 0; i < 180; ++i) long_frame.append(char(i));
    rig.log.log("DSP", Direction::received, long_frame, "a long answer");
    rig.log.log("NOTE", Direction::info, {}, "CH1 gain -3 dB");
    rig.log.log("TCP", Direction::info, {}, "127.0.0.1:8234 waiting(Connection refused)");
    const auto shown = [&] { return view.trafficPanel()->rows()->rowCount() == rig.log.entries().size(); };
    ASSERT_TRUE(spinUntil(shown));
    TrafficListView& list = *view.trafficPanel()->list();
    const QRect longRow = list.visualRect(view.trafficPanel()->rows()->index(4));  // its bytes opened as text
    kestrel_test::doubleClick(*list.viewport(), longRow.topLeft() + QPoint(200, 8));
    kestrel_test::saveScreenshot(view, "diagnostics_usb");

    QUdpSocket peer;
    ASSERT_TRUE(peer.bind(kestrel_test::randomLoopbackAddress(), 0));
    rig.udp.listen(kestrel_test::freeUdpPort());
    peer.writeDatagram(QByteArray::fromHex("01"), peer.localAddress(), *rig.udp.listeningPort());
    ASSERT_TRUE(spinUntil([&] { return !rig.udp.seenHosts().isEmpty(); }));
    view.setTab(ContentView::networkTab);
    view.networkPanel()->udpHexField()->setText("A5 A1 1A 5A");
    view.networkPanel()->tcpHostField()->setText("127.0.0.1");
    view.networkPanel()->tcpPortField()->setText("8234");
    ASSERT_TRUE(spinUntil(shown));
    kestrel_test::saveScreenshot(view, "diagnostics_network");
}
