#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include "diagnostics/TCPClient.h"
#include "link/TrafficLog.h"
#include "support/Loopback.h"

using Direction = TrafficEntry::Direction;

namespace {

class TCPClientTest : public ::testing::Test {
protected:
    TrafficLog log;
    TCPClient client{log};
    QTcpServer server;
    QString host;
    quint16 port = 0;

    void SetUp() override {
        ASSERT_TRUE(server.listen(kestrel_test::randomLoopbackAddress(), 0));
        host = server.serverAddress().toString();
        port = server.serverPort();
    }
    QString prefix() const { return host + ":" + QString::number(port) + " "; }

    bool waitForState(const QString& state) {
        QSignalSpy spy(&client, &TCPClient::stateChanged);
        while (client.state() != state) {
            if (!spy.wait(10000)) return false;
        }
        return true;
    }
    bool waitForEntries(qsizetype count) {
        QSignalSpy spy(&log, &TrafficLog::entriesChanged);
        while (log.entries().size() < count) {
            if (!spy.wait(5000)) return false;
        }
        return true;
    }
    QStringList notes() const {
        QStringList result;
        for (const auto& entry : log.entries()) result << entry.note;
        return result;
    }
    QTcpSocket* accept() {
        if (!server.hasPendingConnections() && !server.waitForNewConnection(5000)) return nullptr;
        return server.nextPendingConnection();
    }
};

}  // namespace

TEST_F(TCPClientTest, ConnectSendReceiveAndPeerClose) {
    EXPECT_EQ(client.state(), "disconnected");
    client.connect(host, port);
    // Sent while connecting: they go out once connected, and only then are
    // they logged as sent.
    client.send(QByteArray::fromHex("A5A11A5A"));
    client.send({});
    ASSERT_TRUE(waitForEntries(4));
    EXPECT_EQ(notes(), (QStringList{prefix() + "preparing", prefix() + "ready", "", ""}));
    EXPECT_EQ(client.state(), "ready");
    EXPECT_EQ(log.entries()[0].transport, "TCP");
    EXPECT_EQ(log.entries()[0].direction, Direction::info);

    QTcpSocket* peer = accept();
    ASSERT_TRUE(peer);
    EXPECT_EQ(log.entries()[2].direction, Direction::sent);
    EXPECT_EQ(log.entries()[2].bytes, QByteArray::fromHex("A5A11A5A"));
    EXPECT_EQ(log.entries()[2].note, "");
    EXPECT_EQ(log.entries()[3].direction, Direction::sent);
    EXPECT_TRUE(log.entries()[3].bytes.isEmpty());
    while (peer->bytesAvailable() < 4) ASSERT_TRUE(peer->waitForReadyRead(5000));
    EXPECT_EQ(peer->readAll(), QByteArray::fromHex("A5A11A5A"));

    // Bytes that come with the close are still logged; the peer ending the
    // stream is no state change of the connection, only "closed".
    peer->write(QByteArray::fromHex("0102"));
    peer->flush();
    peer->disconnectFromHost();
    ASSERT_TRUE(waitForState("closed"));
    ASSERT_TRUE(waitForEntries(5));
    EXPECT_EQ(log.entries()[4].direction, Direction::received);
    EXPECT_EQ(log.entries()[4].bytes, QByteArray::fromHex("0102"));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.entries().size(), 5);
    EXPECT_TRUE(client.hasConnection());
}

TEST_F(TCPClientTest, DisconnectShowsDisconnectedThenTheCancelledConnection) {
    client.connect(host, port);
    ASSERT_TRUE(waitForState("ready"));
    QSignalSpy states(&client, &TCPClient::stateChanged);
    client.disconnect();
    EXPECT_EQ(client.state(), "disconnected");
    EXPECT_FALSE(client.hasConnection());
    ASSERT_TRUE(waitForState("cancelled"));
    EXPECT_EQ(log.entries().last().note, prefix() + "cancelled");

    // Nothing to send on: nothing happens.
    qsizetype count = log.entries().size();
    client.send(QByteArray::fromHex("01"));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.entries().size(), count);

    // Bytes still waiting for the connection are lost with it.
    client.connect(host, port);
    client.send(QByteArray::fromHex("02"));
    client.disconnect();
    count = log.entries().size();
    ASSERT_TRUE(waitForEntries(count + 3));
    EXPECT_EQ(notes().mid(count), (QStringList{prefix() + "preparing", prefix() + "cancelled",
                                               "failed: " + qt_error_string(ECANCELED)}));
    EXPECT_EQ(log.entries().last().bytes, QByteArray::fromHex("02"));
}

TEST_F(TCPClientTest, ANewConnectGivesUpTheOldOne) {
    client.connect(host, port);
    ASSERT_TRUE(waitForState("ready"));
    QTcpServer second;
    ASSERT_TRUE(second.listen(kestrel_test::randomLoopbackAddress(), 0));
    const QString secondPrefix =
        second.serverAddress().toString() + ":" + QString::number(second.serverPort()) + " ";
    client.connect(second.serverAddress().toString(), second.serverPort());
    ASSERT_TRUE(waitForState("ready"));
    EXPECT_EQ(notes().mid(2),
              (QStringList{prefix() + "cancelled", secondPrefix + "preparing", secondPrefix + "ready"}));
}

TEST_F(TCPClientTest, RefusedPortWaitsAndConnectsOnceTheServerIsThere) {
    server.close();
    client.connect(host, port);
    // Taken while connecting, then lost with the refused attempt.
    client.send(QByteArray::fromHex("DEADBEEF"));
    ASSERT_TRUE(waitForEntries(3));
    EXPECT_EQ(client.state(), "waiting(Connection refused)");
    EXPECT_EQ(notes(), (QStringList{prefix() + "preparing", prefix() + "waiting(Connection refused)",
                                    "failed: Connection refused"}));
    EXPECT_EQ(log.entries()[2].bytes, QByteArray::fromHex("DEADBEEF"));
    client.send(QByteArray::fromHex("01"));
    ASSERT_TRUE(waitForEntries(4));
    EXPECT_EQ(log.entries()[3].note, "failed: " + qt_error_string(ENOTCONN));

    ASSERT_TRUE(server.listen(QHostAddress(host), port));
    ASSERT_TRUE(waitForState("ready"));
    EXPECT_EQ(log.entries().last().note, prefix() + "ready");
}

TEST_F(TCPClientTest, UnusableTargetsFailOrAreRefused) {
    client.connect(host, 0);  // no port to connect to: nothing at all
    QCoreApplication::processEvents();
    EXPECT_EQ(client.state(), "disconnected");
    EXPECT_FALSE(client.hasConnection());
    EXPECT_TRUE(log.entries().isEmpty());

    // An empty host never resolves (and asks no name server).
    client.connect("", port);
    client.send(QByteArray::fromHex("01"));
    ASSERT_TRUE(waitForEntries(3));
    EXPECT_EQ(client.state(), "failed(Host not found)");
    EXPECT_EQ(notes(), (QStringList{":" + QString::number(port) + " preparing",
                                    ":" + QString::number(port) + " failed(Host not found)",
                                    "failed: Host not found"}));
}
