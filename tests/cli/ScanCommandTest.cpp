#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include "cli/OfflineTools.h"
#include "link/NetworkScan.h"
#include "sim/DeviceSimulator.h"
#include "support/AppProcess.h"
#include "support/CapturedConsole.h"

namespace {

// The real socket calls, but an interface list of our choosing on loopback,
// so nothing outside 127.0.0.0/8 is ever probed.
class LoopbackInterfaces : public ScanSystem {
public:
    explicit LoopbackInterfaces(QList<InterfaceAddress> interfaces) : interfaces_(std::move(interfaces)) {}
    std::optional<QList<InterfaceAddress>> ipv4Interfaces() override { return interfaces_; }

private:
    QList<InterfaceAddress> interfaces_;
};

QString sameNetwork(const QString& host, int last) {
    return host.section(QLatin1Char('.'), 0, 2) + QLatin1Char('.') + QString::number(last);
}

}  // namespace

TEST(ScanCommand, ListsTheSimulatorOnTheInterfaceNetwork) {
    DeviceSimulator simulator;
    ASSERT_TRUE(simulator.listenOnRandomLoopback());
    const int simLast = simulator.host().section(QLatin1Char('.'), 3).toInt();
    const QString own = sameNetwork(simulator.host(), simLast == 1 ? 2 : 1);
    LoopbackInterfaces system(
        {{QStringLiteral("lo"), QStringLiteral("127.0.0.1")}, {QStringLiteral("eth0"), own}});

    kestrel_test::CapturedConsole console;
    EXPECT_EQ(cli::runScan(system), 0);
    EXPECT_EQ(console.outLines(),
              QStringList{QStringLiteral("DSPs on TCP 8234: [\"%1\"]").arg(simulator.host())});
}

// The real program with the real interface list, inside a network namespace of
// its own whose only interface is the loopback: nothing outside is reachable.
TEST(ScanCommand, EndToEndInAPrivateNetworkNamespace) {
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    const QString ip = QStandardPaths::findExecutable(QStringLiteral("ip"));
    if (unshare.isEmpty() || ip.isEmpty()) GTEST_SKIP() << "unshare or ip is not installed";
    QProcess probe;
    probe.start(unshare, {QStringLiteral("-n"), ip, QStringLiteral("link"), QStringLiteral("set"),
                          QStringLiteral("lo"), QStringLiteral("up")});
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        GTEST_SKIP() << "network namespaces are not available here";

    const QString script = QStringLiteral("\"$0\" link set lo up && exec \"$1\" --scan");
    const auto run =
        kestrel_test::runProgram(unshare,
                                 {QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                                  ip, QStringLiteral(KESTREL_APP_PATH)},
                                 kestrel_test::cleanAppEnvironment());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.error.toStdString();
    EXPECT_EQ(run.out, QByteArray("DSPs on TCP 8234: []\n"));
}
