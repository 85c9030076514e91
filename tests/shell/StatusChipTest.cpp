// The status bar's state chips as the window shows them.
#include <gtest/gtest.h>

#include <QLayout>
#include <QTest>

#include "link/DSPModel.h"
#include "shell/ConsoleView.h"
#include "shell/StatusBar.h"
#include "shell/StatusChip.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"

using kestrel_test::WindowRig;

namespace {

// How much closer to the chip's colour the pixels around its dot are than the chip's own
// fill, on screen: a glow shows as a clear step towards the colour, 2 pixels beyond the
// dot's edge above, below, left and right of it. The least of the four.
int glowAroundTheDot(WindowRig& rig) {
    auto* chip = rig.console().statusBar()->findChild<StatusChip*>();
    if (!chip || !chip->layout() || !chip->layout()->itemAt(0)->widget()) {
        ADD_FAILURE() << "no chip with a dot";
        return 0;
    }
    QWidget* dot = chip->layout()->itemAt(0)->widget();
    const QImage screen = rig.onScreen();
    const QPoint centre = rig.onScreenRect(*dot).center();
    const QColor colour = chip->colour();
    const auto distance = [&](QPoint at) {
        const QColor c = screen.pixelColor(at);
        return std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
               std::abs(c.blue() - colour.blue());
    };
    // The chip's fill beside its rounded left end, beyond any glow.
    const int fill = distance(QPoint(rig.onScreenRect(*chip).left() + 3, centre.y()));
    int least = INT_MAX;
    for (QPoint step : {QPoint(0, -6), QPoint(0, 6), QPoint(-6, 0), QPoint(6, 0)})
        least = std::min(least, fill - distance(centre + step));
    return least;
}

}  // namespace

TEST(StatusChipInWindow, DotsGlowInTheirChipsColourExceptWhileSearching) {
    WindowRig::Options options;
    options.connect = false;
    WindowRig rig(options);
    EXPECT_LE(std::abs(glowAroundTheDot(rig)), 3) << "searching";

    rig.model().enterDemo();
    rig.turn();
    EXPECT_GE(glowAroundTheDot(rig), 15) << "demo";
    kestrel_test::saveScreenshot(*rig.console().statusBar(), QStringLiteral("status-demo-chip"));
    rig.model().exitDemo();

    ASSERT_TRUE(rig.connect());
    EXPECT_GE(glowAroundTheDot(rig), 15) << "connected";
    kestrel_test::saveScreenshot(*rig.console().statusBar(), QStringLiteral("status-connected-chip"));
}
