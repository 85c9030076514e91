#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "app/ConsoleApplication.h"
#include "app/ConsoleView.h"
#include "app/MainWindow.h"
#include "app/controls/Popover.h"
#include "app/mixer/ChannelStrip.h"
#include "app/mixer/InputQuickMenu.h"
#include "app/mixer/MixerView.h"
#include "app/mixer/QuickButtons.h"
#include "support/Spin.h"

using kestrel_test::spinUntil;

// This executable runs on two screens side by side, 1024 x 768 and 1600 x 1000:
// the platform is chosen before main creates the application.
namespace {
const bool twoScreens = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KESTREL_TEST_DATA_DIR "/app/TwoScreens.json");
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

    explicit PlacedApp(QScreen* screen) : available(screen->availableGeometry()) {
        qputenv("TSL_OFFLINE", "1");
        app = std::make_unique<ConsoleApplication>();
        qunsetenv("TSL_OFFLINE");
        MainWindow& window = app->window();
        window.setScreen(screen);
        window.move(available.topLeft());
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_TRUE(spinUntil([&] { return window.frameGeometry() == MainWindow::placement(available); }, 5))
            << "placed at " << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
            << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    }
    MixerView* mixer() { return qobject_cast<MixerView*>(app->window().console()->pageContent()); }
};

}  // namespace

TEST(Placement, TheWindowAndTheInputPanelStayInsideEitherScreen) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "run with the two-screen offscreen configuration";
    for (QScreen* screen : screens) {
        SCOPED_TRACE(screen->name().toStdString());
        PlacedApp placed(screen);
        MainWindow& window = placed.app->window();
        EXPECT_TRUE(placed.available.contains(window.frameGeometry()));
        // The content's minimum gives way only where the screen is too small for it.
        const QSize minimum = window.console()->minimumSize();
        if (placed.available.width() >= 1490) {
            EXPECT_EQ(window.frameGeometry().size(), QSize(1400, 880));
            EXPECT_EQ(minimum, MainWindow::kMinimumContent);
        } else {
            EXPECT_LT(minimum.width(), 1100);
            EXPECT_LE(minimum.width(), window.console()->width());
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
