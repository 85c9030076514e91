#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "mixer/ChannelStrip.h"
#include "mixer/InputQuickMenu.h"
#include "mixer/MixerView.h"
#include "mixer/QuickButtons.h"
#include "shell/ConsoleApplication.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/Sidebar.h"
#include "support/Spin.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "ui/controls/Popover.h"

using kestrel_test::spinUntil;

// This executable runs on two screens side by side, 1024 x 768 and 1600 x 1000:
// the platform is chosen before main creates the application.
namespace {
const bool twoScreens = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KESTREL_TEST_DATA_DIR "/shell/TwoScreens.json");
    return true;
}();
}  // namespace

TEST(Placement, PopoversOpenBelowAboveOrBesideToStayInsideTheArea) {
    const QRect area(0, 0, 1600, 1000);
    const QSize panel(290, 300);
    // Room below: centred under the anchor.
    EXPECT_EQ(popoverPosition(QRect(500, 100, 80, 21), panel, area, 4), QPoint(395, 125));
    // No room below: above it.
    EXPECT_EQ(popoverPosition(QRect(500, 800, 80, 21), panel, area, 4), QPoint(395, 496));
    // Near the left and right edges: moved sideways.
    EXPECT_EQ(popoverPosition(QRect(10, 100, 80, 21), panel, area, 4).x(), 0);
    EXPECT_EQ(popoverPosition(QRect(1580, 100, 20, 21), panel, area, 4).x(), 1600 - 290);
    // Room on neither side: the side with more room, pushed inside the area.
    const QRect low(1024, 0, 1024, 400);
    EXPECT_EQ(popoverPosition(QRect(1500, 250, 80, 21), panel, low, 4), QPoint(1395, 0));
    EXPECT_EQ(popoverPosition(QRect(1500, 120, 80, 21), panel, low, 4), QPoint(1395, 100));
}

namespace {

// The application as started, on the given screen, after its first placement.
struct PlacedApp {
    std::unique_ptr<ConsoleApplication> app;
    QRect available;

    // `page` as TSL_PAGE names it.
    explicit PlacedApp(QScreen* screen, const QByteArray& page = {})
        : available(screen->availableGeometry()) {
        qputenv("TSL_OFFLINE", "1");
        if (!page.isEmpty()) qputenv("TSL_PAGE", page);
        app = std::make_unique<ConsoleApplication>();
        qunsetenv("TSL_OFFLINE");
        qunsetenv("TSL_PAGE");
        MainWindow& window = app->window();
        window.setScreen(screen);
        window.move(available.topLeft());
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        // The placement, grown to the window's minimum where the screen is smaller.
        const QRect expected = MainWindow::placement(available);
        EXPECT_TRUE(spinUntil(
            [&] {
                const QRect frame = window.frameGeometry();
                return frame.size() ==
                           expected.size().expandedTo(frame.size() - window.size() + window.minimumSize()) &&
                       (frame.size() != expected.size() || frame == expected);
            },
            5))
            << "placed at " << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
            << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    }
    MixerView* mixer() { return qobject_cast<MixerView*>(app->window().console()->pageContent()); }
};

}  // namespace

TEST(Placement, TheWindowKeepsItsMinimumAndTheInputPanelStaysInsideEitherScreen) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "run with the two-screen offscreen configuration";
    for (QScreen* screen : screens) {
        SCOPED_TRACE(screen->name().toStdString());
        PlacedApp placed(screen);
        MainWindow& window = placed.app->window();
        // The content keeps its minimum on every screen; on one too small for it the window
        // reaches past the screen's right edge, its title bar and menus on the screen.
        EXPECT_EQ(window.console()->minimumSize(), MainWindow::kMinimumContent);
        EXPECT_GE(window.console()->width(), MainWindow::kMinimumContent.width());
        EXPECT_GE(window.console()->height(), MainWindow::kMinimumContent.height());
        if (placed.available.width() >= 1490) {
            EXPECT_EQ(window.frameGeometry().size(), QSize(1400, 880));
            EXPECT_TRUE(placed.available.contains(window.frameGeometry()));
        } else {
            EXPECT_EQ(window.frameGeometry().left(), placed.available.left());
            EXPECT_GE(window.frameGeometry().top(), placed.available.top());
            EXPECT_LE(window.frameGeometry().bottom(), placed.available.bottom());
        }

        MixerView* mixer = placed.mixer();
        ASSERT_NE(mixer, nullptr);
        for (int ch : {0, 3}) {
            InputQuickMenu* button = mixer->strip(ch)->quickButtons()->sourceButton();
            ASSERT_NE(button, nullptr);
            button->togglePanel();
            InputPanel* panel = button->panel();
            ASSERT_NE(panel, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
            const QRect shown = panel->frameGeometry();
            EXPECT_TRUE(placed.available.contains(shown)) << ch;
            // The source button sits low in its strip: the panel opens above it.
            EXPECT_LE(shown.bottom(), button->mapToGlobal(QPoint(0, 0)).y()) << ch;
            panel->close();
        }
    }
}

// Started on the diagnostics page on the small screen, with the window at its smallest: the
// page's row stands in the sidebar's view, and every control Tab reaches round the window lies
// whole inside it.
TEST(Placement, TheSmallestWindowOnASmallScreenShowsTheSelectedRowAndEveryFocusedControl) {
    QScreen* small = nullptr;
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().width() < MainWindow::kMinimumContent.width()) small = screen;
    ASSERT_NE(small, nullptr) << "run with the two-screen offscreen configuration";
    PlacedApp placed(small, "diagnostics");
    MainWindow& window = placed.app->window();
    window.resize(window.minimumSize());
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QCoreApplication::processEvents();

    Sidebar& sidebar = *window.console()->sidebar();
    QListWidgetItem* row = sidebar.itemFor(Page::of(Page::Kind::diagnostics));
    EXPECT_EQ(sidebar.currentItem(), row);
    EXPECT_TRUE(sidebar.viewport()->rect().contains(sidebar.visualItemRect(row)));
    // Every row fits, so no scroll bar covers the rows' meters.
    EXPECT_FALSE(sidebar.verticalScrollBar()->isVisible());

    const auto pressTab = [] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCoreApplication::processEvents();
    };
    const QList<QWidget*> stops = kestrel_test::tabRound(&sidebar, pressTab, [&](QWidget* stop) {
        QWidget* cut = kestrel_test::cutBy(stop);
        EXPECT_EQ(cut, nullptr) << kestrel_test::describeControl(stop).toStdString() << " lies outside "
                                << (cut ? cut->metaObject()->className() : "");
    });
    EXPECT_GT(stops.size(), 10);
    EXPECT_EQ(kestrel_test::cutTexts(*window.console()), "");
}
