#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "support/WidgetTesting.h"
#include "ui/controls/Fader.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

using namespace kestrel_test;

namespace {

// The mixer's fader: a travel of 200 pixels below and above half a cap.
struct MixerFader {
    Fader fader{28, 22, {10, 5, 0, -5, -10, -20, -30, -40, -60}};
    QSignalSpy edits{&fader, &Fader::gainEdited};
    MixerFader() { fader.resize(60, 228); }
    double lastEdit() const { return edits.last().at(0).toDouble(); }
};

}  // namespace

TEST(FaderTest, GeometryPlacesTheCapOnTheLawAndNeverLeavesTheView) {
    MixerFader f;
    EXPECT_DOUBLE_EQ(f.fader.travelHeight(), 200);
    EXPECT_DOUBLE_EQ(f.fader.trackX(), 60 - 11 - 1);
    EXPECT_DOUBLE_EQ(f.fader.yForDB(15), 14);
    EXPECT_DOUBLE_EQ(f.fader.yForDB(-60), 214);
    EXPECT_NEAR(f.fader.yForDB(0), 14 + 200 * 0.23, 1e-9);
    f.fader.setDB(-60);
    EXPECT_EQ(f.fader.fillHeight(), 0);
    f.fader.setDB(-90);
    EXPECT_EQ(f.fader.fillHeight(), 0);
    f.fader.setDB(0);
    EXPECT_NEAR(f.fader.fillHeight(), 154, 1e-9);
}

TEST(FaderTest, DragMovesRelativeToTheStartRoundsToATenthAndPinsAtTheEnds) {
    MixerFader f;
    // 20 pixels up from 0 dB: faderDB(0.87) = 5.625, reported as 5.6.
    drag(f.fader, QPointF(30, 150), QPointF(30, 130));
    ASSERT_EQ(f.edits.size(), 1);
    EXPECT_NEAR(f.lastEdit(), 5.6, 1e-9);

    // Every step is computed from the start, not from the previous step.
    sendMouse(f.fader, QEvent::MouseButtonPress, QPointF(30, 20), Qt::LeftButton, Qt::LeftButton);
    sendMouse(f.fader, QEvent::MouseMove, QPointF(30, 30), Qt::NoButton, Qt::LeftButton);
    sendMouse(f.fader, QEvent::MouseMove, QPointF(30, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_NEAR(f.lastEdit(), -5.0, 1e-9);  // 20 pixels down from 0 dB: faderDB(0.67)
    sendMouse(f.fader, QEvent::MouseButtonRelease, QPointF(30, 40), Qt::LeftButton, Qt::NoButton);

    // Past either end the gain is pinned; a click without movement reports nothing.
    drag(f.fader, QPointF(30, 100), QPointF(30, -400));
    EXPECT_EQ(f.lastEdit(), 15);
    drag(f.fader, QPointF(30, 100), QPointF(30, 900));
    EXPECT_EQ(f.lastEdit(), -60);
    const qsizetype edits = f.edits.size();
    QTest::mouseClick(&f.fader, Qt::LeftButton, {}, QPoint(30, 100));
    EXPECT_EQ(f.edits.size(), edits);
}

TEST(FaderTest, DoubleClickAndKeysReportTheirGains) {
    MixerFader f;
    f.fader.setDB(-12.3);
    doubleClick(f.fader, QPointF(30, 100));
    ASSERT_EQ(f.edits.size(), 1);
    EXPECT_EQ(f.lastEdit(), 0);

    f.fader.setDB(14.8);
    QTest::keyClick(&f.fader, Qt::Key_Up);
    EXPECT_EQ(f.lastEdit(), 15);
    f.fader.setDB(-59.8);
    QTest::keyClick(&f.fader, Qt::Key_Down);
    EXPECT_EQ(f.lastEdit(), -60);
    f.fader.setDB(3.25);
    QTest::keyClick(&f.fader, Qt::Key_Up);
    EXPECT_EQ(f.lastEdit(), 3.75);  // half a dB, not rounded to a tenth
}

TEST(FaderTest, TheFillRisesInItsTintFromTheBottomToTheCap) {
    Fader fader(28, 22, {10, 5, 0, -5, -10, -20, -30, -40, -60});
    fader.resize(52, 280);
    fader.setTint(Palette::outputAmber());
    // Four pixels of fill in the tint at 0.85 over the track; one column each side of centre.
    const int x = int(fader.trackX()) - 1;
    const int bottom = int(fader.yForDB(-60));
    auto tinted = [&](int top, int end) {
        return countNear(rendered(fader), QRect(x, top, 2, end - top), Palette::outputAmber(), 48);
    };
    fader.setDB(0);
    const int capTop = int(fader.yForDB(0)) - 14;
    const int capBottom = int(fader.yForDB(0)) + 14;
    // Clear of the cap's shadow and of the fill's rounded end, every pixel below the cap.
    EXPECT_EQ(tinted(capBottom + 6, bottom - 3), 2 * (bottom - 9 - capBottom));
    EXPECT_EQ(tinted(0, capTop - 1), 0);

    fader.setDB(-60);  // no fill at all
    EXPECT_EQ(tinted(0, bottom), 0);
    fader.setDB(12);
    fader.setTint(Theme::systemGrey());  // a muted strip's fader
    EXPECT_EQ(tinted(0, 280), 0);
    EXPECT_GT(countNear(rendered(fader), QRect(x, int(fader.yForDB(0)), 2, 20), Theme::systemGrey(), 48), 30);
    saveScreenshot(fader, QStringLiteral("fader"));
}
