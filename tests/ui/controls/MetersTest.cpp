#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>
#include <cmath>
#include <limits>

#include "support/Spin.h"
#include "support/WidgetTesting.h"
#include "ui/controls/LiveMeters.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

using namespace kestrel_test;

namespace {

// A clock the test moves by hand.
struct StepClock {
    double now = 1000;
    ControlClock clock() {
        return [this] { return now; };
    }
};

}  // namespace

TEST(MetersTest, PositionOverTheScaleMarks) {
    const QVector<float>& m = meterScaleMarks();
    ASSERT_EQ(m.size(), 11);
    struct Case {
        float level;
        double position;
    };
    const Case cases[] = {{-60, 0}, {-48, 0}, {-44, 0.05}, {-3, 0.65}, {0, 0.7}, {9, 0.85}, {20, 1}, {25, 1}};
    for (const Case& c : cases) EXPECT_NEAR(meterPosition(m, c.level), c.position, 1e-7) << c.level;
    EXPECT_EQ(meterPosition({}, 3), 0);
    EXPECT_EQ(meterPosition(m, std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(MetersTest, SegmentsOfABarWithTheClipLight) {
    const MeterBar::Segments s = MeterBar::segments(10, 200, true);
    EXPECT_EQ(s.clipHeight, 5);
    EXPECT_EQ(s.area, 193);
    EXPECT_EQ(s.count, 42);
    EXPECT_NEAR(s.pitch, 4.595238, 1e-6);
    // Band boundaries: the first amber and the first red segment.
    EXPECT_EQ(meterBand(MeterBar::segmentValue(33, 42)), MeterBand::green);
    EXPECT_NEAR(MeterBar::segmentValue(34, 42), 7.29, 0.01);
    EXPECT_EQ(meterBand(MeterBar::segmentValue(34, 42)), MeterBand::amber);
    EXPECT_EQ(meterBand(MeterBar::segmentValue(38, 42)), MeterBand::amber);
    EXPECT_NEAR(MeterBar::segmentValue(39, 42), 15.24, 0.01);
    EXPECT_EQ(meterBand(MeterBar::segmentValue(39, 42)), MeterBand::red);
    // Short bars keep twelve segments.
    EXPECT_EQ(MeterBar::segments(10, 40, false).count, 12);
    EXPECT_EQ(MeterBar::segments(10, 100, false).count, 22);
    EXPECT_EQ(meterBandColor(MeterBand::green), Palette::green());
}

TEST(MetersTest, BallisticsFallAtMostTwentyDecibelsHoldThePeakAndLightTheClip) {
    StepClock time;
    MeterBar bar(true);
    bar.setClock(time.clock());
    bar.setLevel(0);
    EXPECT_EQ(bar.litCount(42), 29);  // a new bar jumps straight to its first level

    bar.setLevel(10);
    const int peakAtTen = bar.peakIndex(42);
    const float expected[] = {8, 6, 4, 2};
    float level = -40;
    for (float shown : expected) {
        time.now += 0.1;
        level = level == -40 ? -41 : -40;  // each level differs, far below
        bar.setLevel(level);
        EXPECT_NEAR(bar.shownLevel(), shown, 1e-4);
    }
    EXPECT_EQ(bar.peakIndex(42), peakAtTen);  // held
    time.now += 1.2;                          // 1.6 s after the peak
    bar.setLevel(-30);
    EXPECT_EQ(bar.peakLevel(), -30);

    EXPECT_FALSE(bar.clipLit());
    bar.setLevel(19.4f);
    EXPECT_FALSE(bar.clipLit());
    bar.setLevel(19.5f);
    EXPECT_TRUE(bar.clipLit());
    time.now += 1.9;
    EXPECT_TRUE(bar.clipLit());
    time.now += 0.2;
    EXPECT_FALSE(bar.clipLit());

    // A late change falls by at most twenty decibels.
    MeterBar late(false);
    late.setClock(time.clock());
    late.setLevel(10);
    time.now += 3;
    late.setLevel(-80);
    EXPECT_NEAR(late.shownLevel(), -10, 1e-4);
    // A peak at or below -48 dBu has no segment to light.
    MeterBar quiet(false);
    quiet.setClock(time.clock());
    quiet.setLevel(-50);
    EXPECT_EQ(quiet.peakIndex(22), -1);
}

TEST(MetersTest, TickLabelsAndPlacement) {
    MeterTicks gr({0, 2, 4, 6, 8, 10, 15, 20, 30}, {6}, false, true, QString());
    const auto down = gr.labelsForHeight(200);
    ASSERT_EQ(down.size(), 1);
    EXPECT_EQ(down[0].text, QStringLiteral("6"));
    EXPECT_NEAR(down[0].y, 0.375 * 200, 1e-9);

    MeterTicks level(meterScaleMarks(), {20, 6, 0, -48}, true, false, QString());
    const auto up = level.labelsForHeight(207);
    EXPECT_EQ(up[0].text, QStringLiteral("+20"));
    EXPECT_EQ(up[0].y, 7);
    EXPECT_EQ(up[1].text, QStringLiteral("+6"));
    EXPECT_NEAR(up[1].y, 7 + 200 * 0.2, 1e-6);
    EXPECT_EQ(up[2].text, QStringLiteral("0"));
    EXPECT_EQ(up[3].text, QString(QChar(0x2212)) + QStringLiteral("48"));
    EXPECT_EQ(up[3].y, 207 - 5);  // never closer than 5 to an edge
    EXPECT_EQ(level.width(), 16);
}

TEST(MetersTest, LiveMetersFollowTheStoreAndShowMutedOrIdleChannelsSilent) {
    MeterStore store;
    store.setLive(true);
    QList<float> levels(12, -84.5f);
    levels[5] = -12.34f;
    store.setLevels(levels);
    LiveMeterBar bar(store, 5, false);
    LiveHorizontalMeter row(store, 5);
    EXPECT_EQ(bar.level(), -12.34f);
    EXPECT_EQ(row.level(), -12.34f);
    bar.setMuted(true);
    row.setMuted(true);
    EXPECT_EQ(bar.level(), -90);
    EXPECT_EQ(row.level(), -90);
    EXPECT_EQ(row.toolTip(), QStringLiteral("Level -12.3 dB"));  // the store's level, even muted
    // A bar built for a muted channel never shows the live level, not even once.
    LiveMeterBar muted(store, 5, true);
    EXPECT_EQ(muted.shownLevel(), -90);
    // With nothing live the last levels stay in the store, and the meters read no signal.
    row.setMuted(false);
    bar.setMuted(false);
    store.setLive(false);
    EXPECT_EQ(bar.level(), MeterStore::silent);
    EXPECT_EQ(row.level(), MeterStore::silent);
}

namespace {

// A bar on screen, read back from what the window shows (not a fresh repaint).
struct ShownBar : QObject {
    StepClock time;
    MeterStore store;
    QWidget window;
    LiveMeterBar* bar;
    int paints = 0;

    explicit ShownBar(bool muted, const QColor& backdrop = Qt::transparent)
        : bar(new LiveMeterBar(store, 0, muted, &window)) {
        bar->setBackdrop(backdrop);
        bar->setClock(time.clock());
        bar->setGeometry(0, 0, 10, 200);
        bar->installEventFilter(this);
        window.resize(10, 200);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        store.setLive(true);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
    void feed(float level) {
        QList<float> levels(12, MeterStore::silent);
        levels[0] = level;
        store.setLevels(levels);
    }
    // Waits for the next frame of the bar.
    void drawn() {
        const int before = paints;
        EXPECT_TRUE(spinUntil([&] { return paints > before; }, 2));
    }
    // Moves the clock and waits for the bar's own tick, then for its frame if any.
    void wait(double seconds) {
        QCoreApplication::processEvents();  // frames already due come first
        const int before = paints;
        const float shown = bar->shownLevel();
        const float peak = bar->peakLevel();
        time.now += seconds;
        spinUntil([&] { return paints > before || bar->shownLevel() != shown || bar->peakLevel() != peak; },
                  2);
        QCoreApplication::processEvents();
    }
    QImage screen() { return window.screen()->grabWindow(window.winId()).toImage(); }
    // Segments drawn lit, counted over the whole bar (the held peak included).
    int litSegments() {
        const QImage image = screen();
        const MeterBar::Segments s = MeterBar::segments(10, 200, true);
        int lit = 0;
        for (int i = 0; i < s.count; ++i) {
            const QColor band = meterBandColor(meterBand(MeterBar::segmentValue(i, s.count)));
            if (image.pixel(5, int(200 - s.pitch * (i + 0.5))) == band.rgb()) ++lit;
        }
        return lit;
    }
    bool clipShown() { return screen().pixel(5, 2) == meterBandColor(MeterBand::red).rgb(); }
};

}  // namespace

TEST(MetersTest, TheDrawnLevelFallsToItsTargetWithoutNewLevels) {
    // A muted channel: nothing lit from the first frame; unmuted it shows 0 dBu. Opaque on
    // its strip, each step repaints only the segments it moved.
    ShownBar muted(true, Palette::panelFill());
    muted.feed(0);
    EXPECT_EQ(muted.litSegments(), 0);
    muted.bar->setMuted(false);
    muted.drawn();
    EXPECT_EQ(muted.litSegments(), 29);
    // Muted again, the level stays at -90, and the display still falls at 20 dB/s.
    muted.bar->setMuted(true);
    muted.wait(1);
    EXPECT_NEAR(muted.bar->shownLevel(), -20, 0.5);
    EXPECT_EQ(muted.litSegments(), 15 + 1);  // and the peak held at 0 dBu
    muted.wait(1);
    EXPECT_EQ(muted.litSegments(), 4);  // -40; the peak went after 1.5 s
    for (int step = 0; step < 3; ++step) muted.wait(1);
    EXPECT_EQ(muted.bar->shownLevel(), -90);
    EXPECT_EQ(muted.litSegments(), 0);
    EXPECT_FALSE(muted.bar->settling());  // nothing runs once it is there

    // Nothing live: every bar falls to no signal though the store keeps its levels.
    ShownBar idle(false);
    idle.feed(-6);
    idle.drawn();
    idle.store.setLive(false);
    for (int step = 0; step < 4; ++step) idle.wait(1);
    EXPECT_EQ(idle.bar->shownLevel(), MeterStore::silent);
    EXPECT_EQ(idle.litSegments(), 0);

    // The clip light goes out two seconds after the last clip, the level unchanged.
    ShownBar clipped(false);
    clipped.feed(19.6f);
    clipped.drawn();
    EXPECT_TRUE(clipped.clipShown());
    clipped.wait(2.1);
    EXPECT_FALSE(clipped.clipShown());
    EXPECT_FALSE(clipped.bar->settling());
}
