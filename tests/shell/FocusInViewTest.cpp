// A keyboard user never loses sight of the focus, in the connected window: at a roomy size and
// at the smallest one, Tab and Shift+Tab each go round the window and back to where they
// began, meeting the same stops, and every stop (into a pane from outside too, with the pane
// scrolled the other way) lies whole inside everything around it;
// the keys stay where the user was through a confirmation, a recall, an upload and a row
// rebuilt; and Tab meets the window's parts in one order, also after a reconnect.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "designer/FIRDesignerView.h"
#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "pages/CrosspointInspector.h"
#include "pages/NetworkConnectView.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/Sidebar.h"
#include "shell/StatusBar.h"
#include "support/AccessibleRoles.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/FIRSendBar.h"

using kestrel_test::cutBy;
using kestrel_test::describeControl;
using kestrel_test::WindowRig;

namespace {

// The connected window, active so that keys reach it.
struct Keys {
    WindowRig& rig;

    explicit Keys(WindowRig& rig, const Page& page) : rig(rig) {
        rig.showPage(page);
        rig.window().activateWindow();
        if (!QTest::qWaitForWindowActive(&rig.window())) ADD_FAILURE() << "the window never became active";
    }

    void press(int key) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        rig.turn();
    }
    // Walks round the window from the sidebar with the key and names every stop out of sight,
    // and a round that does not come back to the sidebar (a stop the key never leaves).
    // Every pane starts scrolled to the end the walk enters it from the far side of.
    QList<QWidget*> walk(int key) {
        for (QScrollArea* pane : rig.window().findChildren<QScrollArea*>())
            for (QScrollBar* bar : {pane->horizontalScrollBar(), pane->verticalScrollBar()})
                bar->setValue(key == Qt::Key_Tab ? bar->maximum() : bar->minimum());
        const QList<QWidget*> stops = kestrel_test::tabRound(
            rig.console().sidebar(), [&] { press(key); },
            [&](QWidget* stop) {
                if (QWidget* cut = cutBy(stop))
                    ADD_FAILURE() << describeControl(stop).toStdString() << " lies outside "
                                  << cut->metaObject()->className() << " " << cut->objectName().toStdString();
            });
        if (QWidget* end = QApplication::focusWidget(); end != rig.console().sidebar())
            ADD_FAILURE() << "the round ends on " << (end ? describeControl(end).toStdString() : "nothing");
        return stops;
    }
    // The stops of one round of Tab, each named with the part of the window it lies in.
    QStringList tabOrder() {
        QStringList order;
        ConsoleView& console = rig.console();
        for (QWidget* stop : walk(Qt::Key_Tab)) {
            const QString part = console.sidebar()->isAncestorOf(stop) || stop == console.sidebar()
                                     ? "sidebar"
                                 : console.statusBar()->isAncestorOf(stop) ? "status bar"
                                                                           : "page";
            order << part + QStringLiteral(": ") + describeControl(stop);
        }
        return order;
    }
};

// A page, and for a channel's page the tab it shows.
struct Shown {
    Page page;
    QString tab = {};
};

class FocusInView : public ::testing::TestWithParam<Shown> {};

std::string focusedControl() {
    QWidget* focused = QApplication::focusWidget();
    return "the keys are on " + (focused ? describeControl(focused).toStdString() : std::string("nothing"));
}

}  // namespace

TEST_P(FocusInView, TabAndShiftTabGoRoundEveryStopInSightAtEverySize) {
    // Names of their own make the mixer's strips wider than the smallest window.
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& simulator) {
        const char* names[] = {"Monitor", "Lectern", "Playback", "Choir",   "Rear fil", "Front fi",
                               "Balcony", "Lobby",   "Foyer",    "Stage L", "Stage R",  "Subwoof"};
        for (int ch = 0; ch < 12; ++ch)
            simulator.device().params[quint32(378 + ch)] =
                DSPFrame::packString(QString::fromUtf8(names[ch]), 2);
    };
    WindowRig rig(options);
    if (!GetParam().tab.isEmpty()) rig.settings.setValue(ChannelTab::settingsKey, GetParam().tab);
    Keys walker(rig, GetParam().page);
    for (const QSize size : {QSize(1600, 1000), MainWindow::kMinimumContent}) {
        rig.resizeContent(size);
        SCOPED_TRACE(
            QStringLiteral("%1×%2").arg(rig.window().width()).arg(rig.window().height()).toStdString());
        QList<QWidget*> forward;
        {
            SCOPED_TRACE("Tab");
            forward = walker.walk(Qt::Key_Tab);
        }
        SCOPED_TRACE("Shift+Tab");
        QList<QWidget*> backward = walker.walk(Qt::Key_Backtab);
        // Both ways meet the same stops: back from the sidebar, the last of them first.
        std::reverse(backward.begin() + 1, backward.end());
        EXPECT_EQ(backward, forward);
    }
}

std::string pageName(const ::testing::TestParamInfo<Shown>& info) {
    const char* names[] = {"channel", "mixer", "routing",  "sources",    "presets",
                           "device",  "codes", "designer", "diagnostics"};
    const Page& page = info.param.page;
    if (page.kind != Page::Kind::channel) return names[int(page.kind)];
    const QString tab = info.param.tab.isEmpty() ? ChannelTab::eq : info.param.tab;
    return QStringLiteral("channel%1_%2")
        .arg(page.channel)
        .arg(tab.section(QLatin1Char(' '), 0, 0))
        .toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Pages, FocusInView,
    ::testing::Values(Shown{Page::of(Page::Kind::mixer)}, Shown{Page::channelPage(0)},
                      Shown{Page::channelPage(0), ChannelTab::dynamics},
                      Shown{Page::channelPage(0), ChannelTab::fir}, Shown{Page::channelPage(4)},
                      Shown{Page::channelPage(4), ChannelTab::dynamics},
                      Shown{Page::channelPage(4), ChannelTab::fir}, Shown{Page::of(Page::Kind::routing)},
                      Shown{Page::of(Page::Kind::sources)}, Shown{Page::of(Page::Kind::presets)},
                      Shown{Page::of(Page::Kind::device)}, Shown{Page::of(Page::Kind::codes)},
                      Shown{Page::of(Page::Kind::firDesigner)}, Shown{Page::of(Page::Kind::diagnostics)}),
    pageName);

// Tab meets the sidebar, the page and the status bar in that order, the routing grids before
// their inspector and the console's note before its list; a reconnect, which rebuilds the
// status bar's row and takes the page down for the read-back, changes none of it.
TEST(OneTabOrder, SidebarPageStatusBarInReadingOrderAlsoAfterAReconnect) {
    WindowRig rig;
    for (const Page& page : {Page::of(Page::Kind::mixer), Page::channelPage(0), Page::of(Page::Kind::routing),
                             Page::of(Page::Kind::sources), Page::of(Page::Kind::presets),
                             Page::of(Page::Kind::device), Page::of(Page::Kind::codes),
                             Page::of(Page::Kind::firDesigner), Page::of(Page::Kind::diagnostics)}) {
        SCOPED_TRACE(int(page.kind));
        Keys keys(rig, page);
        const QStringList before = keys.tabOrder();
        SCOPED_TRACE(before.join(QStringLiteral("\n")).toStdString());
        QStringList parts;
        for (const QString& stop : before) {
            const QString part = stop.section(QStringLiteral(": "), 0, 0);
            if (parts.isEmpty() || parts.last() != part) parts << part;
        }
        EXPECT_EQ(parts.join(QStringLiteral(", ")).toStdString(), "sidebar, page, status bar");

        if (auto* routing = rig.page<RoutingView>()) {
            const QList<QWidget*> stops = keyboardfocus::tabStops(*routing);
            qsizetype lastInGrids = -1;
            qsizetype firstInInspector = stops.size();
            for (qsizetype i = 0; i < stops.size(); ++i) {
                if (routing->gridArea()->isAncestorOf(stops[i])) lastInGrids = i;
                if (routing->inspector()->isAncestorOf(stops[i]))
                    firstInInspector = std::min(firstInInspector, i);
            }
            EXPECT_LT(lastInGrids, firstInInspector);
        } else if (page.kind == Page::Kind::diagnostics) {
            const auto at = [&](const QString& name) {
                for (qsizetype i = 0; i < before.size(); ++i)
                    if (before[i].contains(name)) return i;
                return qsizetype(-1);
            };
            EXPECT_GE(at(QStringLiteral("\"Note\"")), 0);
            EXPECT_EQ(at(QStringLiteral("\"Add note\"")), at(QStringLiteral("\"Note\"")) + 1);
            EXPECT_GT(at(QStringLiteral("TrafficListView")), at(QStringLiteral("\"Add note\"")));
        }

        rig.model().link().disconnectNetwork(false);
        ASSERT_TRUE(rig.waitFor([&] { return !rig.model().connected(); }));
        ASSERT_TRUE(rig.connect());
        EXPECT_EQ(keys.tabOrder().join(QStringLiteral("\n")).toStdString(),
                  before.join(QStringLiteral("\n")).toStdString());
    }
}

// A refused Test Signal leaves the keys on the source still chosen, not on the refused one.
TEST(FocusAfterAChange, ACancelledTestSignalLeavesTheKeysOnTheChosenSource) {
    WindowRig rig;
    rig.model().setInputSource(0, InputSource::dante);
    Keys keys(rig, Page::of(Page::Kind::sources));
    auto* sources = rig.page<SourcesView>();
    ASSERT_NE(sources, nullptr);
    SegmentedPicker* picker = sources->sourcePicker(0);
    ASSERT_TRUE(
        rig.waitFor([&] { return picker->currentSegment() && picker->currentSegment()->text() == "Dante"; }));
    picker->currentSegment()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Right);  // to "Test Signal", which asks first; the script cancels
    ASSERT_FALSE(rig.dialogs.asked.isEmpty());
    EXPECT_EQ(rig.dialogs.asked.last().title, QStringLiteral("Route the test signal to this input?"));
    EXPECT_EQ(QApplication::focusWidget(), picker->currentSegment());
    EXPECT_EQ(picker->currentSegment()->text(), QStringLiteral("Dante"));
}

// A read-back takes the page down for a while (a recall, a reconnect): the keys come back to
// the control they were on. So they do when the link goes down, which disables the page, and
// comes back with a read-back, which hides it.
TEST(FocusAfterAChange, AReadBackAndALostLinkGiveTheKeysBackToThePage) {
    WindowRig rig;
    Keys keys(rig, Page::of(Page::Kind::routing));
    auto* view = rig.page<RoutingView>();
    ASSERT_NE(view, nullptr);
    QWidget* reset = view->grids()[1]->resetButton();
    reset->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(rig.startReadBack());
    ASSERT_TRUE(rig.finishReadBack());
    rig.turn();
    EXPECT_EQ(QApplication::focusWidget(), reset) << focusedControl();

    rig.model().link().disconnectNetwork(false);
    ASSERT_TRUE(rig.waitFor([&] { return !rig.model().connected(); }));
    ASSERT_FALSE(view->isEnabled());
    ASSERT_TRUE(rig.connect());
    EXPECT_EQ(QApplication::focusWidget(), reset) << focusedControl();
}

// The send button is disabled while it uploads: the keys come back to it afterwards.
TEST(FocusAfterAChange, AnUploadLeavesTheKeysOnTheSendButton) {
    WindowRig rig;
    Keys keys(rig, Page::of(Page::Kind::firDesigner));
    auto* view = rig.page<FIRDesignerView>();
    ASSERT_NE(view, nullptr);
    FIRSendBar& bar = *view->sendBar();
    bar.setTargets({4});
    ASSERT_TRUE(bar.sendButton()->isEnabled());
    rig.dialogs.confirmAnswers.enqueue(true);
    bar.sendButton()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Space);
    ASSERT_TRUE(rig.waitFor([&] { return bar.status() && !bar.busy(); }));
    EXPECT_TRUE(bar.status()->startsWith(QStringLiteral("Sent"))) << bar.status()->toStdString();
    EXPECT_EQ(QApplication::focusWidget(), bar.sendButton());
}

namespace {

// A confirmation in front of the window, as a real one stands: it holds the activation while
// it is open and a moment after it closed, until the window manager gives it back, which is
// after the work it confirmed has begun.
struct DialogInFront {
    QWidget dialog;

    void openOn(WindowRig& rig) {
        rig.dialogs.confirmAnswers.enqueue(true);
        rig.dialogs.whileOpen = [this] {
            dialog.resize(300, 120);
            dialog.show();
            dialog.activateWindow();
            if (!QTest::qWaitForWindowActive(&dialog)) ADD_FAILURE() << "the dialog never became active";
        };
    }
    // Closes it and lets the window have the keys again.
    void handBack(WindowRig& rig) {
        dialog.close();
        rig.window().activateWindow();
        if (!QTest::qWaitForWindowActive(&rig.window())) ADD_FAILURE() << "the window never came back";
        rig.turn();
    }
};

}  // namespace

// A recall reads every setting back, which disables the page's buttons and then hides the
// page: confirmed in a dialog, the keys come back to "Recall…" once the window is back.
TEST(FocusAfterAChange, ARecallConfirmedInADialogLeavesTheKeysOnRecall) {
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& simulator) {
        simulator.device().presets.occupied |= 1u << 5;
        simulator.device().presets.names[5] = QStringLiteral("Vocals");
    };
    WindowRig rig(options);
    Keys keys(rig, Page::of(Page::Kind::presets));
    auto* view = rig.page<PresetsView>();
    ASSERT_NE(view, nullptr);
    view->select(5);
    rig.turn();
    DialogInFront confirmation;
    confirmation.openOn(rig);
    view->recallButton()->setFocus(Qt::TabFocusReason);
    const qsizetype mark = rig.mark();
    keys.press(Qt::Key_Space);
    ASSERT_TRUE(rig.waitFor([&] { return !rig.receivedSince(mark, 10).isEmpty() && view->message(); }));
    EXPECT_EQ(view->message(), QStringLiteral("Done."));
    confirmation.handBack(rig);
    EXPECT_EQ(QApplication::focusWidget(), view->recallButton()) << focusedControl();
}

// The same for an upload confirmed in a dialog: the keys go back to the send button, not to
// the control after it.
TEST(FocusAfterAChange, AnUploadConfirmedInADialogLeavesTheKeysOnTheSendButton) {
    WindowRig rig;
    Keys keys(rig, Page::of(Page::Kind::firDesigner));
    auto* view = rig.page<FIRDesignerView>();
    ASSERT_NE(view, nullptr);
    FIRSendBar& bar = *view->sendBar();
    bar.setTargets({4, 5});
    DialogInFront confirmation;
    confirmation.openOn(rig);
    bar.sendButton()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Space);
    ASSERT_TRUE(rig.waitFor([&] { return bar.status() && !bar.busy(); }));
    EXPECT_TRUE(bar.status()->startsWith(QStringLiteral("Sent"))) << bar.status()->toStdString();
    confirmation.handBack(rig);
    EXPECT_EQ(QApplication::focusWidget(), bar.sendButton()) << focusedControl();
}

// Connecting from the network sheet replaces the link and reads every setting back: the keys
// come back to the connection menu's button the sheet was opened from.
TEST(FocusAfterAChange, AReconnectFromTheNetworkSheetLeavesTheKeysOnTheConnectionMenu) {
    WindowRig rig;
    Keys keys(rig, Page::of(Page::Kind::routing));
    StatusBar& bar = *rig.console().statusBar();
    bar.connectionMenuButton()->setFocus(Qt::TabFocusReason);
    QAction* connectOverNetwork = nullptr;
    for (QAction* action : bar.connectionMenuButton()->menu()->actions())
        if (action->text() == QStringLiteral("Connect over network…")) connectOverNetwork = action;
    ASSERT_NE(connectOverNetwork, nullptr);
    connectOverNetwork->trigger();
    rig.turn();  // the sheet opens once the item's handler has returned
    auto* sheet = rig.window().findChild<NetworkConnectView*>();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    int readBacks = 0;
    QObject::connect(&rig.model(), &DSPModel::loadingChanged, [&] { readBacks += !rig.model().loading(); });
    sheet->hostField()->setFocus(Qt::TabFocusReason);
    sheet->hostField()->selectAll();
    QTest::keyClicks(sheet->hostField(), rig.simulator.host());
    QTest::keyClick(sheet->hostField(), Qt::Key_Return);
    ASSERT_TRUE(rig.waitFor([&] { return readBacks > 0 && rig.model().connected(); }));
    rig.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    rig.turn();
    ASSERT_NE(bar.connectionMenuButton(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), bar.connectionMenuButton()) << focusedControl();
}

// A click while the settings are read back is the user's choice: the keys stay where it put
// them.
TEST(FocusAfterAChange, AClickDuringAReadBackKeepsTheKeysWhereItPutThem) {
    WindowRig rig;
    Keys keys(rig, Page::of(Page::Kind::routing));
    auto* view = rig.page<RoutingView>();
    ASSERT_NE(view, nullptr);
    view->grids()[1]->resetButton()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(rig.startReadBack());
    Sidebar& sidebar = *rig.console().sidebar();
    QTest::mouseClick(sidebar.viewport(), Qt::LeftButton, {},
                      sidebar.visualItemRect(sidebar.currentItem()).center());
    ASSERT_TRUE(rig.finishReadBack());
    rig.turn();
    EXPECT_EQ(QApplication::focusWidget(), &sidebar) << focusedControl();
}

// The status bar builds its row anew when the link changes: the keys on its connection button
// move to the new one.
TEST(FocusAfterAChange, TheStatusBarsNewRowKeepsTheKeys) {
    WindowRig rig;
    Keys keys(rig, Page::of(Page::Kind::mixer));
    StatusBar& bar = *rig.console().statusBar();
    ASSERT_NE(bar.connectionMenuButton(), nullptr);
    bar.connectionMenuButton()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(rig.startReadBack());
    ASSERT_TRUE(rig.finishReadBack());
    rig.turn();
    ASSERT_NE(bar.connectionMenuButton(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), bar.connectionMenuButton());
}
