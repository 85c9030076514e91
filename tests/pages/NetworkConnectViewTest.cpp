#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <QMenu>
#include <QToolButton>

#include <QClipboard>
#include <QGuiApplication>

#include "link/LiveModel.h"
#include "pages/NetworkConnectView.h"
#include "pages/PageTesting.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/StatusBar.h"
#include "support/LinkRig.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/Theme.h"

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

// Tab goes from the address to Connect, where Return or Space connects once.
TEST(NetworkConnectViewTest, TabReachesConnectWhereReturnAndSpaceConnectOnce) {
    kestrel_test::LinkRig rig;
    DSPConnection& link = rig.start();
    rig.settings.setValue(QStringLiteral("networkHost"), rig.simulator.host());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        NetworkConnectView sheet(link, rig.settings);
        sheet.show();
        sheet.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
        QSignalSpy accepted(&sheet, &QDialog::accepted);
        sheet.hostField()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(sheet.hostField(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), sheet.connectButton()) << int(key);
        QTest::keyClick(sheet.connectButton(), key);
        EXPECT_EQ(accepted.count(), 1) << int(key);
        EXPECT_FALSE(sheet.isVisible());
    }
    EXPECT_TRUE(rig.waitForStatus(DSPConnection::Status::Kind::connected));
}

// Connect is the button drawn as the default, also while the keyboard is on Scan, whose
// Return connects as everywhere in the sheet.
TEST(NetworkConnectViewTest, ConnectIsTheDefaultButtonWhereverTheFocusIs) {
    kestrel_test::LinkRig rig;
    DSPConnection& link = rig.start();
    rig.settings.setValue(QStringLiteral("networkHost"), rig.simulator.host());
    int scans = 0;
    NetworkConnectView sheet(link, rig.settings, [&scans]() -> QCoro::Task<QStringList> {
        ++scans;
        co_return QStringList{};
    });
    sheet.show();
    sheet.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    const auto defaultOnlyOnConnect = [&] {
        return sheet.connectButton()->isDefault() && !sheet.scanButton()->isDefault() &&
               !sheet.cancelButton()->isDefault();
    };
    EXPECT_TRUE(defaultOnlyOnConnect());
    sheet.scanButton()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(defaultOnlyOnConnect());
    QSignalSpy accepted(&sheet, &QDialog::accepted);
    QTest::keyClick(sheet.scanButton(), Qt::Key_Return);
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_EQ(scans, 0);
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
    turn();  // the sheet opens once the item's handler has returned
    NetworkConnectView* sheet = window.findChild<NetworkConnectView*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    sheet->cancelButton()->click();
    turn();
}

// In the window: an address pasted with white space around it enables Connect and reaches
// the DSP at the address without the spaces, which is also the one stored. Inside, the
// address is still checked strictly.
TEST(NetworkConnectViewTest, AnAddressPastedWithSpacesAroundItConnects) {
    kestrel_test::WindowRig::Options options;
    options.connect = false;
    kestrel_test::WindowRig rig(options);
    QToolButton* menu = rig.console().statusBar()->connectionMenuButton();
    ASSERT_NE(menu, nullptr);
    menu->menu()->actions().first()->trigger();  // "Connect over network…"
    rig.turn();
    auto* sheet = rig.window().findChild<NetworkConnectView*>();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(sheet->isVisible());

    const auto pasted = [&](const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        sheet->hostField()->setFocus();
        sheet->hostField()->clear();
        QTest::keyClick(sheet->hostField(), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(sheet->hostField()->text(), text);
        return sheet->connectButton()->isEnabled();
    };
    EXPECT_TRUE(pasted(QStringLiteral("192.168.1.20 ")));
    EXPECT_TRUE(pasted(QStringLiteral("  192.168.1.20")));
    EXPECT_TRUE(pasted(QStringLiteral("\t192.168.1.20 \t")));
    EXPECT_FALSE(pasted(QStringLiteral(" 192.168.1.256 ")));
    EXPECT_FALSE(pasted(QStringLiteral("192.168. 1.20")));
    EXPECT_FALSE(pasted(QStringLiteral(" ")));

    const QString host = rig.simulator.host();
    ASSERT_TRUE(pasted(QStringLiteral("  ") + host + QStringLiteral(" ")));
    QTest::mouseClick(sheet->connectButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(rig.settings.text(QStringLiteral("networkHost")), host);
    EXPECT_TRUE(rig.waitFor([&] { return rig.model().connected() && !rig.model().loading(); }, 60));
    EXPECT_EQ(rig.model().link().transport(), QStringLiteral("Network ") + host);
}
