// Texts that must be true on this desktop: the key that turns a knob finely, and what the
// status bar says while the network does not reach the DSP.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include "editor/ChannelView.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "pages/CrosspointInspector.h"
#include "pages/RoutingView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/StatusBar.h"
#include "support/PrivateNetwork.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/Encoder.h"

using kestrel_test::WindowRig;

namespace {

// Drags a knob 30 pixels down with the given keys held; how far its value moved.
double dragDown(WindowRig& rig, Encoder& knob, Qt::KeyboardModifiers keys) {
    const double before = knob.value();
    const QPointF from = QRectF(knob.rect()).center();
    const QPointF to = from + QPointF(0, 30);
    QTest::mousePress(&knob, Qt::LeftButton, keys, from.toPoint());
    QMouseEvent move(QEvent::MouseMove, to, knob.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, keys);
    QApplication::sendEvent(&knob, &move);
    QTest::mouseRelease(&knob, Qt::LeftButton, keys, to.toPoint());
    rig.turn();
    return before - knob.value();
}

}  // namespace

// The help names Shift, and Shift does turn the knob finely (Alt works too, but window
// managers take Alt-drag for themselves). No help text of the window names a Mac key.
TEST(LinuxTexts, KnobHelpNamesShiftAndShiftTurnsFinely) {
    WindowRig rig;
    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    Encoder* gain = editor->gainKnob()->encoder();
    EXPECT_EQ(gain->toolTip(),
              QStringLiteral("Drag up/down or scroll to turn · Shift for fine · double-click to reset"));
    const double plain = dragDown(rig, *gain, Qt::NoModifier);
    const double fine = dragDown(rig, *gain, Qt::ShiftModifier);
    EXPECT_GT(plain, 1.0);
    EXPECT_GT(fine, 0.0);
    EXPECT_LT(fine, plain / 3);

    rig.showPage(Page::of(Page::Kind::routing));
    auto* routing = rig.page<RoutingView>();
    ASSERT_NE(routing, nullptr);
    QStringList inspectorHelp;
    for (QWidget* widget : routing->inspector()->findChildren<QWidget*>())
        if (widget->toolTip().startsWith(QStringLiteral("Drag up/down"))) inspectorHelp << widget->toolTip();
    inspectorHelp.removeDuplicates();
    EXPECT_TRUE(inspectorHelp.contains(
        QStringLiteral("Drag up/down or scroll to turn · Shift for fine · double-click the knob for 0 dB · "
                       "or type a level")))
        << inspectorHelp.join(QLatin1Char('|')).toStdString();

    for (const Page& page : {Page::channelPage(0), Page::channelPage(4), Page::of(Page::Kind::routing)}) {
        rig.showPage(page);
        for (QWidget* widget : rig.window().findChildren<QWidget*>())
            EXPECT_FALSE(widget->toolTip().contains(QStringLiteral("Option")))
                << widget->toolTip().toStdString();
    }
}

// With no route to the DSP the status bar says the network is down or does not reach it,
// told by the socket's error code, and the link keeps trying until the route is back. The
// route is taken away inside a network namespace of this test's own, which holds only a
// loopback interface, so the test runs itself again in one.
TEST(LinuxTexts, ANetworkThatDoesNotReachTheDSPSaysSoAndTheLinkKeepsTrying) {
    if (!private_network::inside()) return private_network::runCurrentTest();
    ASSERT_TRUE(private_network::isolated()) << "not an isolated network; refusing to change routes";
    const auto route = [](const QString& verb) {
        return private_network::ip({QStringLiteral("route"), verb, QStringLiteral("local"),
                                    QStringLiteral("127.0.0.0/8"), QStringLiteral("dev"),
                                    QStringLiteral("lo"), QStringLiteral("table"), QStringLiteral("local")});
    };

    WindowRig::Options options;
    options.connect = false;
    WindowRig rig(options);  // the simulator listens before its route goes
    ASSERT_TRUE(route(QStringLiteral("del")));
    rig.model().link().connect(rig.simulator.host());
    ASSERT_TRUE(rig.waitFor([&] { return rig.model().link().status().isError(); }));
    EXPECT_EQ(rig.model().link().status().text(), DSPConnection::networkDownText);
    EXPECT_EQ(DSPConnection::networkDownText,
              QStringLiteral(
                  "Waiting for the network: it is down or doesn't reach the DSP. The link keeps trying."));
    rig.turn();
    EXPECT_TRUE(rig.statusTexts().contains(DSPConnection::networkDownText))
        << rig.statusTexts().join('|').toStdString();
    EXPECT_TRUE(rig.model().link().hasNetworkLink());

    // The message has all the room up to the connection menu: whole in the usual window;
    // where it has less (the smallest window with the sidebar dragged wide) cut with an
    // ellipsis, its whole text the tool tip and spoken name.
    const auto message = [&](int windowWidth, int sidebarWidth = 210) -> ElidedLabel* {
        rig.window().resize(windowWidth, 820);
        auto* split = rig.console().findChild<QSplitter*>(QString(), Qt::FindDirectChildrenOnly);
        split->setSizes({sidebarWidth, windowWidth - sidebarWidth});
        rig.turn();
        EXPECT_EQ(rig.window().width(), windowWidth);
        return rig.console().statusBar()->findChild<ElidedLabel*>();
    };
    ElidedLabel* wide = message(1400);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->shownText(), DSPConnection::networkDownText);
    EXPECT_EQ(wide->accessibleName(), DSPConnection::networkDownText);
    const QRect menu = rig.console().statusBar()->connectionMenuButton()->geometry();
    EXPECT_NEAR(wide->geometry().right() + 1 + 12, menu.left(), 1) << "the label reaches the menu";
    kestrel_test::saveScreenshot(*rig.console().statusBar(), QStringLiteral("status-network-down-1400"));
    ElidedLabel* narrow = message(MainWindow::kMinimumContent.width(), 410);
    ASSERT_NE(narrow, nullptr);
    const QString shown = narrow->shownText();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…"))) << shown.toStdString();
    EXPECT_TRUE(DSPConnection::networkDownText.startsWith(shown.chopped(1))) << shown.toStdString();
    EXPECT_EQ(narrow->toolTip(), DSPConnection::networkDownText);
    EXPECT_EQ(narrow->accessibleName(), DSPConnection::networkDownText);
    kestrel_test::saveScreenshot(*rig.console().statusBar(), QStringLiteral("status-network-down-narrow"));

    ASSERT_TRUE(route(QStringLiteral("add")));
    EXPECT_TRUE(rig.waitFor([&] { return rig.model().connected() && !rig.model().loading(); }, 60));
}
