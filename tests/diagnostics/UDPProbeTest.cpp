#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSignalSpy>
#include <QUdpSocket>

#include "diagnostics/UDPProbe.h"
#include "link/TrafficLog.h"
#include "support/Loopback.h"
#include "support/PrivateNetwork.h"

using Direction = TrafficEntry::Direction;

namespace {

// A peer on its own random loopback address.
struct Peer {
    QUdpSocket socket;
    QString address;
    Peer() {
        const QHostAddress host = kestrel_test::randomLoopbackAddress();
        EXPECT_TRUE(socket.bind(host, 0));
        address = host.toString();
    }
    QString text() const { return address + ":" + QString::number(socket.localPort()); }
};

bool waitForEntries(const TrafficLog& log, qsizetype count) {
    QSignalSpy spy(&log, &TrafficLog::entriesChanged);
    while (log.entries().size() < count) {
        if (!spy.wait(5000)) return false;
    }
    return true;
}

}  // namespace

TEST(UDPProbeTest, ListensAndRecordsEverySender) {
    TrafficLog log;
    UDPProbe probe(log);
    const quint16 port = kestrel_test::freeUdpPort();
    QSignalSpy portChanged(&probe, &UDPProbe::listeningPortChanged);
    probe.listen(port);
    EXPECT_EQ(probe.listeningPort(), port);
    EXPECT_EQ(portChanged.count(), 1);
    ASSERT_EQ(log.entries().size(), 1);
    EXPECT_EQ(log.entries()[0].transport, "UDP");
    EXPECT_EQ(log.entries()[0].note, QString("listening on port %1").arg(port));

    Peer first, second;
    const QHostAddress target("127.0.0.1");
    first.socket.writeDatagram(QByteArray(), target, port);  // empty: neither logged nor recorded
    first.socket.writeDatagram(QByteArray::fromHex("A5A1"), target, port);
    second.socket.writeDatagram(QByteArray::fromHex("01"), target, port);
    ASSERT_TRUE(waitForEntries(log, 3));
    const QDateTime firstSeen = probe.seenHosts().value(first.text());
    first.socket.writeDatagram(QByteArray::fromHex("02"), target, port);
    ASSERT_TRUE(waitForEntries(log, 4));

    const auto& entries = log.entries();
    EXPECT_EQ(entries[1].direction, Direction::received);
    EXPECT_EQ(entries[1].bytes, QByteArray::fromHex("A5A1"));
    EXPECT_EQ(entries[1].note, "from " + first.text());
    EXPECT_EQ(entries[2].note, "from " + second.text());
    EXPECT_EQ(entries[3].note, "from " + first.text());
    QStringList expected{first.text(), second.text()};
    expected.sort();
    EXPECT_EQ(probe.seenHosts().keys(), expected);
    EXPECT_GE(probe.seenHosts().value(first.text()), firstSeen);

    probe.stop();
    EXPECT_EQ(probe.listeningPort(), std::nullopt);
    EXPECT_EQ(probe.seenHosts().size(), 2);  // stopping forgets nobody
    EXPECT_EQ(log.entries().size(), 4);      // and logs nothing
}

TEST(UDPProbeTest, SendOpensASocketAndHearsTheAnswer) {
    TrafficLog log;
    UDPProbe probe(log);
    Peer peer;
    probe.send(QByteArray::fromHex("FF00"), peer.address, peer.socket.localPort());
    ASSERT_EQ(log.entries().size(), 2);
    EXPECT_EQ(log.entries()[0].note, "listening on port 0");
    EXPECT_EQ(probe.listeningPort(), 0);
    EXPECT_EQ(log.entries()[1].direction, Direction::sent);
    EXPECT_EQ(log.entries()[1].bytes, QByteArray::fromHex("FF00"));
    EXPECT_EQ(log.entries()[1].note, "to " + peer.text());

    ASSERT_TRUE(peer.socket.waitForReadyRead(5000));
    QHostAddress from;
    quint16 fromPort = 0;
    QByteArray datagram(16, '\0');
    datagram.resize(peer.socket.readDatagram(datagram.data(), datagram.size(), &from, &fromPort));
    EXPECT_EQ(datagram, QByteArray::fromHex("FF00"));
    peer.socket.writeDatagram(QByteArray::fromHex("AB"), from, fromPort);
    ASSERT_TRUE(waitForEntries(log, 3));
    EXPECT_EQ(log.entries()[2].note, "from " + peer.text());
}

TEST(UDPProbeTest, FailuresBecomeLogLines) {
    TrafficLog log;
    UDPProbe probe(log);

    // A port held without address reuse cannot be shared.
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &size);
    const quint16 held = ntohs(address.sin_port);
    probe.listen(held);
    ::close(holder);
    EXPECT_EQ(probe.listeningPort(), std::nullopt);
    ASSERT_EQ(log.entries().size(), 1);
    EXPECT_EQ(log.entries()[0].note, QString("can't listen on port %1 (errno %2)").arg(held).arg(EADDRINUSE));

    // Hosts that are not four numbers 0-255 are refused before a socket opens
    // (they used to go to 0.0.0.0, this computer).
    probe.send(QByteArray::fromHex("01"), "127.1", 9);
    EXPECT_EQ(log.entries().last().direction, Direction::info);
    EXPECT_EQ(log.entries().last().note, QString("not sent: \"127.1\" is no IPv4 address like 192.168.1.20"));
    EXPECT_EQ(probe.listeningPort(), std::nullopt);

    // Port 0 is no destination; the bytes are still logged.
    probe.send(QByteArray::fromHex("01"), "127.0.0.1", 0);
    EXPECT_EQ(log.entries().last().note, QString("to 127.0.0.1:0 failed (errno %1)").arg(EINVAL));
    EXPECT_EQ(log.entries().last().bytes, QByteArray::fromHex("01"));
}

// Broadcasting from the machine's real network is never allowed, so this test
// runs itself again inside a network namespace of its own that holds only a
// loopback interface.
TEST(UDPProbeTest, BroadcastReachesListenersInsideAPrivateNetwork) {
    if (!private_network::inside()) return private_network::runCurrentTest();
    ASSERT_TRUE(private_network::isolated()) << "not an isolated network; refusing to broadcast";
    ASSERT_TRUE(private_network::ip({"route", "add", "default", "dev", "lo"}));
    TrafficLog log;
    UDPProbe listener(log), sender(log);
    const quint16 port = kestrel_test::freeUdpPort();
    listener.listen(port);
    sender.send(QByteArray::fromHex("C0FFEE"), "255.255.255.255", port);
    EXPECT_EQ(log.entries().last().note, QString("to 255.255.255.255:%1").arg(port));
    ASSERT_TRUE(waitForEntries(log, 4));
    EXPECT_EQ(log.entries().last().direction, Direction::received);
    EXPECT_EQ(log.entries().last().bytes, QByteArray::fromHex("C0FFEE"));
    EXPECT_EQ(listener.seenHosts().size(), 1);
}
