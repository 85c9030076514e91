#include "link/NetworkScan.h"

#include <gtest/gtest.h>

#include <QCoro/QCoroTask>

#include <memory>
#include <random>

#include "link/DSPConnection.h"
#include "sim/DeviceSimulator.h"

namespace {

using Interfaces = QList<InterfaceAddress>;

TEST(NetworkScanTest, CandidatesComeFromEachNonLoopbackSlash24) {
    // Loopback-named interfaces are skipped whatever their address.
    EXPECT_TRUE(networkscan::candidates(Interfaces{{"lo", "127.0.0.1"}, {"lo:1", "10.1.1.1"}}).isEmpty());
    EXPECT_TRUE(networkscan::candidates(std::nullopt).isEmpty());

    const QStringList one = networkscan::candidates(Interfaces{{"eth0", "192.168.1.20"}});
    ASSERT_EQ(one.size(), 253);
    EXPECT_EQ(one.first(), "192.168.1.1");
    EXPECT_EQ(one.last(), "192.168.1.254");
    EXPECT_FALSE(one.contains("192.168.1.20"));

    // Two interfaces on one network scan it once and leave both own addresses out.
    const QStringList shared = networkscan::candidates(
        Interfaces{{"eth0", "10.0.0.5"}, {"wlan0", "10.0.0.9"}, {"eth1", "172.16.4.1"}, {"odd", "1.2.3"}});
    EXPECT_EQ(shared.size(), 252 + 253);
    EXPECT_FALSE(shared.contains("10.0.0.5"));
    EXPECT_FALSE(shared.contains("10.0.0.9"));
    EXPECT_EQ(shared.indexOf("172.16.4.2"), 252);
}

// Sockets that never touch a network: every connect is under way, every poll reports all
// sockets at once, and only the chosen hosts have no pending error.
class RecordingSystem : public ScanSystem {
public:
    QSet<QString> accepting;
    QStringList connected;
    QList<int> pollSizes;
    QSet<int> open;
    int mostOpen = 0;

    ConnectOutcome startConnect(const QString& host, quint16 port, int* socket) override {
        EXPECT_EQ(port, 8234);
        connected.append(host);
        *socket = int(connected.size());
        hostOf.insert(*socket, host);
        open.insert(*socket);
        mostOpen = std::max(mostOpen, int(open.size()));
        return ConnectOutcome::inProgress;
    }
    int poll(std::vector<pollfd>& fds, int) override {
        pollSizes.append(int(fds.size()));
        for (pollfd& fd : fds) fd.revents = POLLOUT;
        return int(fds.size());
    }
    int pendingError(int socket) override {
        return accepting.contains(hostOf.value(socket)) ? 0 : ECONNREFUSED;
    }
    void close(int socket) override { EXPECT_TRUE(open.remove(socket)) << "closed twice: " << socket; }

private:
    QHash<int, QString> hostOf;
};

TEST(NetworkScanTest, ProbesInBatchesOfTwoHundredAndClosesEverySocket) {
    RecordingSystem system;
    system.accepting = {"192.168.1.100", "192.168.1.9", "192.168.1.23"};
    const QStringList hosts = networkscan::candidates(Interfaces{{"eth0", "192.168.1.20"}});
    const QStringList found = DSPConnection::probeHosts(hosts, system);

    EXPECT_EQ(found, (QStringList{"192.168.1.9", "192.168.1.23", "192.168.1.100"}));
    EXPECT_EQ(system.connected, hosts);
    EXPECT_EQ(system.pollSizes, (QList<int>{200, 53}));
    EXPECT_EQ(system.mostOpen, 200);
    EXPECT_TRUE(system.open.isEmpty());
    EXPECT_TRUE(DSPConnection::probeHosts({}, system).isEmpty());
}

// The real socket calls with an injected interface list on a random loopback /24.
class LoopbackInterfaceSystem : public ScanSystem {
public:
    explicit LoopbackInterfaceSystem(QString address) : address_(std::move(address)) {}
    std::optional<Interfaces> ipv4Interfaces() override {
        return Interfaces{{"lo", "127.0.0.1"}, {"eth9", address_}};
    }

private:
    QString address_;
};

TEST(NetworkScanTest, FindsSimulatorsOnTheLoopbackNetwork) {
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<int> octet(1, 254);
    const QString prefix = QString("127.%1.%2.").arg(octet(pick)).arg(octet(pick));

    std::vector<std::unique_ptr<DeviceSimulator>> simulators;
    for (const char* last : {"100", "9", "23", "20"}) {
        simulators.push_back(std::make_unique<DeviceSimulator>());
        if (!simulators.back()->listen(QHostAddress(prefix + last)))
            GTEST_SKIP() << "loopback address in use";
    }
    LoopbackInterfaceSystem system(prefix + "20");  // the simulator on our own address is not a candidate
    const QStringList found = QCoro::waitFor(DSPConnection::scanNetwork(system));
    EXPECT_EQ(found, (QStringList{prefix + "9", prefix + "23", prefix + "100"}));
}

}  // namespace
