// A connect that gets no answer, neither yes nor no, as the user meets it: the status bar says
// so after a few seconds while the attempt goes on, and an attempt that completes late still
// connects. Interfaces and routes change only inside a network namespace of the test's own.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTcpSocket>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "support/PrivateNetwork.h"
#include "support/WindowRig.h"

using kestrel_test::WindowRig;

namespace {

// Where the silent interface leads: its own address, and one that nobody holds.
const QString ownAddress = QStringLiteral("10.77.0.1");
const QString nobody = QStringLiteral("10.77.0.2");

// An interface whose packets nobody answers: one end of a veth pair, sending without ARP to
// the other end, which holds no address and drops them.
bool addSilentInterface() {
    using private_network::ip;
    return ip({"link", "add", "silent0", "type", "veth", "peer", "name", "silent1"}) &&
           ip({"link", "set", "silent1", "up"}) && ip({"link", "set", "silent0", "up", "arp", "off"}) &&
           ip({"addr", "add", ownAddress + "/24", "dev", "silent0"});
}

QString waitingText(const QString& host, const QString& description = QStringLiteral("no answer yet")) {
    return "Waiting for the DSP at " + host + "… (" + description + ")";
}

WindowRig::Options unconnected() {
    WindowRig::Options options;
    options.connect = false;
    return options;
}

}  // namespace

// Nothing answers the connect: well before the socket gives up (a minute), the status is the
// waiting text, on the status bar too, and the link keeps its attempt.
TEST(SilentHost, AHostThatNeverAnswersIsShownWaitingWhileTheAttemptGoesOn) {
    if (!private_network::inside()) return private_network::runCurrentTest();
    ASSERT_TRUE(private_network::isolated()) << "not an isolated network; refusing to change it";
    if (!addSilentInterface()) GTEST_SKIP() << "cannot make a veth interface in the namespace";

    WindowRig rig(unconnected());
    DSPConnection& link = rig.model().link();
    link.connect(nobody);
    ASSERT_TRUE(rig.waitFor([&] { return link.status().isError(); }));
    EXPECT_EQ(link.status().text(), waitingText(nobody));
    EXPECT_TRUE(link.hasNetworkLink());
    EXPECT_EQ(link.transport(), "");
    rig.turn();
    EXPECT_TRUE(rig.statusTexts().contains(waitingText(nobody))) << rig.statusTexts().join('|').toStdString();
}

// The simulator's address leads into the silent interface until the test takes that route
// away, after the waiting text is shown: the same attempt then completes and the DSP connects.
TEST(SilentHost, AConnectAnsweredOnlyAfterTheWaitingTextStillConnects) {
    if (!private_network::inside()) return private_network::runCurrentTest();
    ASSERT_TRUE(private_network::isolated()) << "not an isolated network; refusing to change it";
    if (!addSilentInterface()) GTEST_SKIP() << "cannot make a veth interface in the namespace";

    int laterAttempts = 0;  // outlives the window, whose link's socket counts into it
    WindowRig rig(unconnected());
    DSPConnection& link = rig.model().link();
    const QString host = rig.simulator.host();
    const QStringList detour = {host + "/32", "dev", "silent0", "table", "local"};
    ASSERT_TRUE(private_network::ip(QStringList{"route", "add"} + detour));
    link.connect(host);
    // The one attempt under way; a second would mean the first was cut.
    const QPointer<QTcpSocket> socket = link.findChild<QTcpSocket*>();
    ASSERT_NE(socket, nullptr);
    QObject::connect(socket, &QTcpSocket::stateChanged, [&](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::ConnectingState) ++laterAttempts;
    });
    ASSERT_TRUE(rig.waitFor([&] { return link.status().isError(); }));
    EXPECT_EQ(link.status().text(), waitingText(host));

    ASSERT_TRUE(private_network::ip(QStringList{"route", "del"} + detour));
    ASSERT_TRUE(rig.waitFor([&] { return rig.model().connected() && !rig.model().loading(); }, 40));
    EXPECT_EQ(link.status(), DSPConnection::Status::connected("Kestrel Sim"));
    EXPECT_EQ(laterAttempts, 0);
    ASSERT_NE(socket, nullptr);
    EXPECT_EQ(socket->state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(rig.simulator.connectionsAccepted(), 1);
}

// When the socket gives up on a connect that nothing answered (about a minute on), the status
// carries the socket's own words for it and waits as for a refused connect, never calling the
// network down; the link then tries again, and its new attempt is shown waiting too.
TEST(SilentHost, AConnectTheSystemGivesUpOnWaitsAndTriesAgain) {
    if (!private_network::inside()) return private_network::runCurrentTest();
    ASSERT_TRUE(private_network::isolated()) << "not an isolated network; refusing to change it";
    if (!addSilentInterface()) GTEST_SKIP() << "cannot make a veth interface in the namespace";

    WindowRig rig(unconnected());
    DSPConnection& link = rig.model().link();
    QStringList shown;
    QObject::connect(&link, &DSPConnection::statusChanged, [&] {
        if (shown.isEmpty() || shown.last() != link.status().text()) shown << link.status().text();
    });
    link.connect(nobody);
    const QString timedOut = waitingText(nobody, QStringLiteral("Connection timed out"));
    ASSERT_TRUE(rig.waitFor([&] { return shown.contains(timedOut); }, 120)) << shown.join('|').toStdString();
    ASSERT_TRUE(rig.waitFor([&] { return shown.last() == waitingText(nobody); }, 20))
        << "tried again: " << shown.join('|').toStdString();
    EXPECT_FALSE(shown.contains(DSPConnection::networkDownText)) << shown.join('|').toStdString();
    EXPECT_EQ(shown.first(), waitingText(nobody));
    EXPECT_TRUE(link.hasNetworkLink());
}
