// The sidebar worked from the keyboard and by assistive tools: every row it offers leads to
// a page, and the shown page stays selected whatever row is toggled.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QListWidget>
#include <QTest>

#include "link/DSPModel.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/Sidebar.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/Meters.h"
#include "ui/input/KeyboardFocus.h"

using kestrel_test::WindowRig;

static const Page presets = Page::of(Page::Kind::presets);
static const Page diagnostics = Page::of(Page::Kind::diagnostics);

namespace {

QAccessibleInterface* rowElement(Sidebar& sidebar, QListWidgetItem* item) {
    return QAccessible::queryAccessibleInterface(&sidebar)->child(sidebar.row(item));
}

void toggle(QAccessibleInterface* row) {
    ASSERT_NE(row, nullptr);
    QAccessibleActionInterface* actions = row->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
}

class SidebarInWindow : public ::testing::Test {
protected:
    void SetUp() override {
        sidebar = rig.console().sidebar();
        rig.window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    }

    QListWidgetItem* rowOf(const Page& page) { return sidebar->itemFor(page); }

    // The page is shown, and its row is the current and the one selected row.
    bool shows(const Page& page) {
        rig.turn();
        QListWidgetItem* row = rowOf(page);
        return rig.console().page() == page && sidebar->currentItem() == row &&
               sidebar->selectedItems() == QList<QListWidgetItem*>{row};
    }

    WindowRig rig;
    Sidebar* sidebar = nullptr;
};

}  // namespace

// Assistive tools meet the brand row, the two headings and one row per page, every one of
// them named; toggling a row that leads nowhere, or the shown page's own row, leaves that
// page shown and selected, and toggling a page's row shows it.
TEST_F(SidebarInWindow, EveryRowIsNamedAndTogglingOneNeverLeavesNoPageSelected) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(sidebar);
    ASSERT_EQ(list->childCount(), sidebar->count());
    int pages = 0;
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface* row = list->child(i);
        EXPECT_FALSE(row->text(QAccessible::Name).trimmed().isEmpty()) << "row " << i << " has no name";
        pages += row->state().selectable;
    }
    EXPECT_EQ(pages, 7 + 12 + 1);

    rig.showPage(presets);
    ASSERT_TRUE(shows(presets));
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface* row = list->child(i);
        if (row->state().selectable) continue;
        toggle(row);
        EXPECT_TRUE(shows(presets)) << row->text(QAccessible::Name).toStdString();
    }
    toggle(rowElement(*sidebar, rowOf(presets)));
    EXPECT_TRUE(shows(presets));
    toggle(rowElement(*sidebar, rowOf(diagnostics)));
    EXPECT_TRUE(shows(diagnostics));
}

// Up and down walk the rows that lead to pages, passing over the headings, and the space
// above "Diagnostics" stays what it was: empty and deaf to clicks.
TEST_F(SidebarInWindow, ArrowsWalkThePagesAndTheGapAboveDiagnosticsStaysEmpty) {
    rig.showPage(Page::of(Page::Kind::codes));
    sidebar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(sidebar, Qt::Key_Down);
    EXPECT_TRUE(shows(Page::channelPage(0)));
    rig.showPage(Page::channelPage(11));
    QTest::keyClick(sidebar, Qt::Key_Down);
    EXPECT_TRUE(shows(diagnostics));
    QTest::keyClick(sidebar, Qt::Key_Up);
    EXPECT_TRUE(shows(Page::channelPage(11)));

    const QRect last = sidebar->visualItemRect(rowOf(Page::channelPage(11)));
    const QRect below = sidebar->visualItemRect(rowOf(diagnostics));
    EXPECT_EQ(below.top(), last.bottom() + 1);
    EXPECT_EQ(below.height(), 10 + 26);
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, below.topLeft() + QPoint(40, 5));
    EXPECT_TRUE(shows(Page::channelPage(11)));
    // Nor does a drag from the row above into the gap choose anything.
    kestrel_test::drag(*sidebar->viewport(), last.center(), below.topLeft() + QPoint(40, 5));
    EXPECT_TRUE(shows(Page::channelPage(11)));

    // Selected, the row is highlighted below its gap only.
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, below.center() + QPoint(0, 5));
    ASSERT_TRUE(shows(diagnostics));
    const QImage screen = rig.onScreen();
    const QPoint origin = sidebar->viewport()->mapTo(&rig.window(), QPoint());
    const QColor highlight = sidebar->palette().color(QPalette::Active, QPalette::Highlight);
    const QRect gap = below.adjusted(0, 1, 0, -26 - 1).translated(origin);
    const QRect row = below.adjusted(0, 10 + 2, 0, -2).translated(origin);
    EXPECT_EQ(kestrel_test::countNear(screen, gap, highlight, 24), 0);
    EXPECT_GT(kestrel_test::countNear(screen, row, highlight, 24), row.width() * row.height() / 2);
    screen.copy(QRect(origin, sidebar->viewport()->size()))
        .save(QStringLiteral(KESTREL_TEST_OUTPUT_DIR) + QStringLiteral("/sidebar-diagnostics.png"));
}

// Home and the page keys go to the first and last pages, past the brand row and the
// headings, which lead nowhere.
TEST_F(SidebarInWindow, HomeEndAndThePageKeysReachTheFirstAndLastPages) {
    const Page mixer = Page::of(Page::Kind::mixer);
    rig.showPage(Page::channelPage(5));
    sidebar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(sidebar, Qt::Key_Home);
    EXPECT_TRUE(shows(mixer));
    QTest::keyClick(sidebar, Qt::Key_End);
    EXPECT_TRUE(shows(diagnostics));
    QTest::keyClick(sidebar, Qt::Key_PageUp);
    EXPECT_TRUE(shows(mixer));
    QTest::keyClick(sidebar, Qt::Key_PageDown);
    EXPECT_TRUE(shows(diagnostics));
    QTest::keyClick(sidebar, Qt::Key_Home);
    QTest::keyClick(sidebar, Qt::Key_Up);
    EXPECT_TRUE(shows(mixer)) << "nothing above the first page";
}

// The mute badge is drawn inside the row, where assistive tools do not look: the row tells it.
TEST_F(SidebarInWindow, AMutedChannelsRowSaysSo) {
    QAccessibleInterface* row = rowElement(*sidebar, rowOf(Page::channelPage(6)));
    EXPECT_EQ(row->text(QAccessible::Description), QString());
    rig.model().setMute(6, true);
    rig.turn();
    EXPECT_EQ(row->text(QAccessible::Description), QStringLiteral("Muted"));
    rig.model().setMute(6, false);
    rig.turn();
    EXPECT_EQ(row->text(QAccessible::Description), QString());
}

// The current row is lit whether the keys are in the list or not: reached by Tab, the list
// wears the ring, on screen, and a screen reader hears what the list is.
TEST_F(SidebarInWindow, TheKeyboardReachingTheListShowsTheRing) {
    EXPECT_EQ(QAccessible::queryAccessibleInterface(sidebar)->text(QAccessible::Name),
              QStringLiteral("Pages"));
    const QRect list = rig.onScreenRect(*sidebar);
    const QRect rightEdge(list.right() + 1, list.top(), 3, list.height());
    const QColor accent = QApplication::palette().color(QPalette::Highlight);
    const int before = kestrel_test::countNear(rig.onScreen(), rightEdge, accent, 40);

    sidebar->setFocus(Qt::TabFocusReason);
    rig.turn();
    EXPECT_EQ(keyboardfocus::ringedWidget(), sidebar);
    EXPECT_GT(kestrel_test::countNear(rig.onScreen(), rightEdge, accent, 40), before + list.height() / 2);
    kestrel_test::saveScreenshot(rig.window(), QStringLiteral("sidebar-keyboard-ring"));
}

// A row's level meter repaints alone, standing on the colour the list paints under its row:
// selected or not, what it draws opaque is what it drew see-through over the row.
TEST_F(SidebarInWindow, ARowsMeterStandsOnTheColourOfItsRow) {
    rig.console().showPage(Page::channelPage(4));
    ASSERT_TRUE(shows(Page::channelPage(4)));
    for (int ch : {4, 5}) {
        auto* meter = sidebar->itemWidget(rowOf(Page::channelPage(ch)))->findChild<HorizontalMeter*>();
        ASSERT_NE(meter, nullptr);
        EXPECT_TRUE(meter->testAttribute(Qt::WA_OpaquePaintEvent));
        meter->setLevel(0);  // a capsule partly filled, its ends antialiased
        rig.turn();
        const QRect at = rig.onScreenRect(*meter);
        const QImage opaque = rig.onScreen().copy(at);
        meter->setBackdrop(Qt::transparent);
        rig.turn();
        EXPECT_EQ(meter->level(), 0);
        EXPECT_EQ(rig.onScreen().copy(at), opaque) << "OUT " << ch - 3;
    }
}
