#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <QMenu>
#include <QToolButton>

#include "app/StatusBar.h"
#include "app/controls/Theme.h"
#include "link/LiveModel.h"
#include "pages/NetworkConnectView.h"
#include "pages/PageTesting.h"
#include "support/LinkRig.h"
#include "support/WidgetTesting.h"

using namespace pagetest;

namespace {

// The machine's interfaces replaced by one on the simulator's loopback network, and every
// probe except those of the allowed hosts refused before it leaves the process.
class LoopbackOnly : public ScanSystem {
public:
    explicit LoopbackOnly(QStringList allowed) : m_allowed(std::move(allowed)) {}
    std::optional<QList<InterfaceAddress>> ipv4Interfaces() override {
        QStringList parts = m_allowed.first().split(QLatin1Char('.'));
        parts.last() = parts.last() == QStringLiteral("254") ? QStringLiteral("253") : QStringLiteral("254");
        return QList<InterfaceAddress>{{QStringLiteral("eth9"), parts.join(QLatin1Char('.'))}};
    }
    ConnectOutcome startConnect(const QString& host, quint16 port, int* socket) override {
        if (!m_allowed.contains(host)) return ConnectOutcome::failed;
        return ScanSystem::startConnect(host, port, socket);
    }

private:
    QStringList m_allowed;
};

QLabel* resultText(NetworkConnectView& sheet) {
    const QList<QLabel*> labels = sheet.resultArea()->findChildren<QLabel*>();
    return labels.isEmpty() ? nullptr : labels.last();
}

}  // namespace

TEST(NetworkConnectViewTest, OpensWithTheStoredHostAndConnectsOnReturn) {
    kestrel_test::LinkRig rig;
    DSPConnection& link = rig.start();
    {
        NetworkConnectView empty(link, rig.settings);
        EXPECT_EQ(empty.hostField()->text(), QString());
        EXPECT_FALSE(empty.connectButton()->isEnabled());
        empty.show();
        QTest::keyClick(empty.hostField(), Qt::Key_Return);
        EXPECT_TRUE(empty.isVisible());
        // A spelling that is refused is neither stored nor used.
        QTest::keyClicks(empty.hostField(), QStringLiteral("192.168..2.2"));
        EXPECT_FALSE(empty.connectButton()->isEnabled());
        QTest::keyClick(empty.hostField(), Qt::Key_Return);
        EXPECT_TRUE(empty.isVisible());
        EXPECT_FALSE(rig.settings.contains(QStringLiteral("networkHost")));
    }
    rig.settings.setValue(QStringLiteral("networkHost"), QStringLiteral("10.0.0.7"));
    NetworkConnectView sheet(link, rig.settings);
    EXPECT_EQ(sheet.hostField()->text(), QStringLiteral("10.0.0.7"));
    EXPECT_TRUE(sheet.connectButton()->isEnabled());

    sheet.show();
    sheet.hostField()->setFocus();
    sheet.hostField()->selectAll();
    QTest::keyClicks(sheet.hostField(), rig.simulator.host());
    QTest::keyClick(sheet.hostField(), Qt::Key_Return);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(rig.settings.text(QStringLiteral("networkHost")), rig.simulator.host());
    EXPECT_TRUE(rig.settings.flag(QStringLiteral("useNetwork")));
    EXPECT_TRUE(rig.waitForStatus(DSPConnection::Status::Kind::connected));
}

TEST(NetworkConnectViewTest, ScanListsHostsAndConnectsToThePickedOne) {
    Theme::apply(*qApp);
    kestrel_test::LinkRig rig;
    DSPConnection& link = rig.start();
    LoopbackOnly system({rig.simulator.host()});
    NetworkConnectView sheet(link, rig.settings, [&system] { return DSPConnection::scanNetwork(system); });
    sheet.show();
    sheet.hostField()->setText(QStringLiteral("192.168.2.2"));

    sheet.scanButton()->click();
    EXPECT_EQ(sheet.scanButton()->text(), QStringLiteral("Scanning…"));
    EXPECT_FALSE(sheet.scanButton()->isEnabled());
    EXPECT_FALSE(sheet.resultArea()->isVisible());
    ASSERT_TRUE(kestrel_test::spinUntil([&] { return sheet.found().has_value(); }));
    EXPECT_EQ(*sheet.found(), QStringList{rig.simulator.host()});
    EXPECT_EQ(sheet.scanButton()->text(), QStringLiteral("Scan for DSPs"));
    EXPECT_TRUE(sheet.scanButton()->isEnabled());
    ASSERT_EQ(sheet.resultButtons().size(), 1);

    sheet.scanButton()->click();  // a second scan hides the first result while it runs
    EXPECT_FALSE(sheet.resultArea()->isVisible());
    ASSERT_TRUE(kestrel_test::spinUntil([&] { return !sheet.scanning(); }));
    ASSERT_EQ(sheet.resultButtons().size(), 1);
    turn();
    kestrel_test::saveScreenshot(sheet, QStringLiteral("pages_network_found"));

    sheet.resultButtons()[0]->click();
    EXPECT_EQ(sheet.hostField()->text(), rig.simulator.host());
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(rig.settings.text(QStringLiteral("networkHost")), rig.simulator.host());
    EXPECT_TRUE(rig.waitForStatus(DSPConnection::Status::Kind::connected));
}

TEST(NetworkConnectViewTest, AnEmptyScanSaysNothingWasFound) {
    kestrel_test::LinkRig rig;
    DSPConnection& link = rig.start();
    NetworkConnectView sheet(link, rig.settings,
                             []() -> QCoro::Task<QStringList> { co_return QStringList(); });
    sheet.show();
    sheet.scanButton()->click();
    ASSERT_TRUE(kestrel_test::spinUntil([&] { return sheet.found().has_value(); }));
    turn();
    ASSERT_NE(resultText(sheet), nullptr);
    EXPECT_EQ(resultText(sheet)->text(),
              QStringLiteral("No DSPs found. Check the cable and this computer's network settings."));
    for (QLabel* label : sheet.findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains(QStringLiteral("Mac"))) << label->text().toStdString();
    kestrel_test::saveScreenshot(sheet, QStringLiteral("pages_network_empty"));

    sheet.cancelButton()->click();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Rejected);
    EXPECT_FALSE(rig.settings.contains(QStringLiteral("networkHost")));
}

TEST(NetworkConnectViewTest, TheStatusBarMenuOpensTheSheet) {
    livemodel::Offline device;
    kestrel_test::LinkRig rig;
    QWidget window;
    auto* bar = new StatusBar(*device.model, device.model->link(), rig.settings, &window);
    window.show();
    ASSERT_NE(bar->connectionMenuButton(), nullptr);
    QAction* item = bar->connectionMenuButton()->menu()->actions().first();
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    NetworkConnectView* sheet = window.findChild<NetworkConnectView*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    sheet->cancelButton()->click();
    turn();
}
