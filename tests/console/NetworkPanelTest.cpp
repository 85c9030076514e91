#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <memory>
#include <vector>

#include "console/ContentView.h"
#include "console/NetworkPanel.h"
#include "console/SeenHostList.h"
#include "diagnostics/TCPClient.h"
#include "diagnostics/UDPProbe.h"
#include "link/TrafficLog.h"
#include "shell/MainWindow.h"
#include "support/FindWidgets.h"
#include "support/Loopback.h"
#include "support/Spin.h"
#include "support/WindowRig.h"
#include "ui/Page.h"

using kestrel_test::buttonNamed;
using kestrel_test::spinUntil;

namespace {

void type(QLineEdit* field, const QString& text) {
    field->clear();
    QTest::keyClicks(field, text);
}

class NetworkPanelTest : public ::testing::Test {
protected:
    TrafficLog log;
    UDPProbe udp{log};
    TCPClient tcp{log};
    NetworkPanel panel{udp, tcp};

    void SetUp() override {
        panel.resize(420, 600);
        panel.show();
    }
    QPushButton* udpSend() { return buttonNamed(panel, "Send", 0); }
    QPushButton* tcpSend() { return buttonNamed(panel, "Send", 1); }
};

}  // namespace

TEST_F(NetworkPanelTest, ListenTakesOnlyAPortAndStopReturns) {
    for (const char* text : {"", "70000", " 5000", "abc", "-1"}) {
        type(panel.listenPortField(), text);
        QTest::mouseClick(panel.listenButton(), Qt::LeftButton);
        EXPECT_FALSE(udp.listeningPort().has_value()) << text;
    }
    EXPECT_TRUE(log.entries().isEmpty());

    const quint16 port = kestrel_test::freeUdpPort();
    type(panel.listenPortField(), QString::number(port));
    QTest::mouseClick(panel.listenButton(), Qt::LeftButton);
    ASSERT_EQ(udp.listeningPort(), port);
    EXPECT_FALSE(panel.listenButton()->isVisible());
    EXPECT_TRUE(panel.stopButton()->isVisible());
    EXPECT_EQ(panel.listeningText()->text(), "listening on " + QString::number(port));

    QTest::mouseClick(panel.stopButton(), Qt::LeftButton);
    EXPECT_FALSE(udp.listeningPort().has_value());
    EXPECT_TRUE(panel.listenButton()->isVisible());
    EXPECT_FALSE(panel.listeningText()->isVisible());

    // Port 0 lets the system choose; the row still says 0.
    type(panel.listenPortField(), "0");
    QTest::mouseClick(panel.listenButton(), Qt::LeftButton);
    EXPECT_EQ(panel.listeningText()->text(), "listening on 0");
}

TEST_F(NetworkPanelTest, SendsDatagramsAndOffersSendersForTCP) {
    QUdpSocket peer;
    ASSERT_TRUE(peer.bind(kestrel_test::randomLoopbackAddress(), 0));
    const QString address = peer.localAddress().toString();

    // Bad hex or a missing port sends nothing.
    EXPECT_EQ(panel.udpHostField()->text(), "255.255.255.255");
    type(panel.udpHostField(), address);
    type(panel.udpHexField(), "A5 ZZ");
    type(panel.udpPortField(), QString::number(peer.localPort()));
    QTest::mouseClick(udpSend(), Qt::LeftButton);
    type(panel.udpHexField(), "A5 5A 01");
    type(panel.udpPortField(), "");
    QTest::mouseClick(udpSend(), Qt::LeftButton);
    EXPECT_TRUE(log.entries().isEmpty());

    type(panel.udpPortField(), QString::number(peer.localPort()));
    QTest::mouseClick(udpSend(), Qt::LeftButton);
    ASSERT_TRUE(peer.waitForReadyRead(5000));
    QHostAddress from;
    quint16 fromPort = 0;
    QByteArray datagram(64, '\0');
    datagram.resize(peer.readDatagram(datagram.data(), datagram.size(), &from, &fromPort));
    EXPECT_EQ(datagram, QByteArray::fromHex("A55A01"));

    // A long paste is taken whole: no cut leaves a lone digit to send as a byte.
    QByteArray large(12000, '\0');
    for (qsizetype i = 0; i < large.size(); ++i) large[i] = char(i * 7 + 1);
    panel.udpHexField()->setText(QString::fromLatin1(large.toHex(' ')));
    QTest::mouseClick(udpSend(), Qt::LeftButton);
    ASSERT_TRUE(peer.waitForReadyRead(5000));
    EXPECT_EQ(peer.pendingDatagramSize(), large.size());
    datagram.resize(large.size());
    datagram.resize(peer.readDatagram(datagram.data(), datagram.size(), &from, &fromPort));
    EXPECT_EQ(datagram, large);

    // The peer answers and gets a row; senders that follow are added in their
    // places of the ascending order, never by rebuilding the rows.
    peer.writeDatagram(QByteArray::fromHex("5A"), from, fromPort);
    const QString sender = address + ":" + QString::number(peer.localPort());
    SeenHostList& rows = *panel.seenHostList();
    ASSERT_TRUE(spinUntil([&] { return rows.senders() == QStringList{sender}; }));
    QSignalSpy replaced(rows.model(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(rows.model(), &QAbstractItemModel::rowsRemoved);
    QStringList senders{sender};
    std::vector<std::unique_ptr<QUdpSocket>> others;
    for (int i = 0; i < 3; ++i) {
        others.push_back(std::make_unique<QUdpSocket>());
        ASSERT_TRUE(others.back()->bind(kestrel_test::randomLoopbackAddress(), 0));
        others.back()->writeDatagram(QByteArray::fromHex("01"), from, fromPort);
        senders << others.back()->localAddress().toString() + ":" +
                       QString::number(others.back()->localPort());
    }
    peer.writeDatagram(QByteArray::fromHex("02"), from, fromPort);
    senders.sort();
    ASSERT_TRUE(spinUntil([&] { return rows.senders() == senders; }));
    EXPECT_EQ(replaced.count() + removed.count(), 0);

    // "Use for TCP" fills in the row's address and keeps the port; the rest
    // of the row is no button.
    type(panel.tcpPortField(), "8234");
    const QRect button = rows.useForTCPRect(sender);
    ASSERT_FALSE(button.isEmpty());
    QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, QPoint(4, button.center().y()));
    EXPECT_EQ(panel.tcpHostField()->text(), "");
    QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, button.center());
    EXPECT_EQ(panel.tcpHostField()->text(), address);
    EXPECT_EQ(panel.tcpPortField()->text(), "8234");
    // From the keyboard: Tab reaches the rows, the arrows move between them.
    rows.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&rows, Qt::Key_Down);
    QTest::keyClick(&rows, Qt::Key_Space);
    EXPECT_EQ(panel.tcpHostField()->text(), senders[1].section(':', 0, 0));
}

TEST_F(NetworkPanelTest, TCPConnectSendAndDisconnect) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(kestrel_test::randomLoopbackAddress(), 0));

    // Nothing to send on before a connection, and no port means no connection.
    EXPECT_EQ(panel.stateText()->text(), "State: disconnected");
    type(panel.tcpHexField(), "01 02");
    QTest::mouseClick(tcpSend(), Qt::LeftButton);
    type(panel.tcpHostField(), server.serverAddress().toString());
    type(panel.tcpPortField(), "99999");
    QTest::mouseClick(buttonNamed(panel, "Connect"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.entries().isEmpty());
    EXPECT_EQ(panel.stateText()->text(), "State: disconnected");

    type(panel.tcpPortField(), QString::number(server.serverPort()));
    QTest::mouseClick(buttonNamed(panel, "Connect"), Qt::LeftButton);
    ASSERT_TRUE(spinUntil([&] { return panel.stateText()->text() == "State: ready"; }));
    ASSERT_TRUE(spinUntil([&] { return server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();

    QTest::mouseClick(tcpSend(), Qt::LeftButton);
    QByteArray received;
    ASSERT_TRUE(spinUntil([&] {
        received += peer->readAll();
        return received.size() >= 2;
    }));
    EXPECT_EQ(received, QByteArray::fromHex("0102"));

    QTest::mouseClick(buttonNamed(panel, "Disconnect"), Qt::LeftButton);
    EXPECT_TRUE(panel.stateText()->text().startsWith("State: "));
    EXPECT_FALSE(tcp.hasConnection());
}

// In the window: the button that takes the clicked Listen's or Stop's place keeps the focus,
// so the next key neither lands in the destination field nor replaces its selected text.
TEST(NetworkPanelInWindow, ListenAndStopHandTheFocusToTheButtonThatReplacesThem) {
    kestrel_test::WindowRig::Options options;
    options.connect = false;
    kestrel_test::WindowRig rig(options);
    rig.showPage(Page::of(Page::Kind::diagnostics));
    auto* console = rig.page<ContentView>();
    ASSERT_NE(console, nullptr);
    console->tabs()->setCurrentWidget(console->networkPanel());
    rig.turn();
    NetworkPanel& panel = *console->networkPanel();
    rig.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));

    type(panel.listenPortField(), "0");
    QTest::mouseClick(panel.listenButton(), Qt::LeftButton);
    rig.turn();
    ASSERT_TRUE(rig.udp.listeningPort().has_value());
    EXPECT_EQ(QApplication::focusWidget(), panel.stopButton());
    EXPECT_TRUE(panel.udpHostField()->selectedText().isEmpty());

    QTest::mouseClick(panel.stopButton(), Qt::LeftButton);
    rig.turn();
    ASSERT_FALSE(rig.udp.listeningPort().has_value());
    EXPECT_EQ(QApplication::focusWidget(), panel.listenButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_1);
    EXPECT_EQ(panel.udpHostField()->text(), QStringLiteral("255.255.255.255"));
}
