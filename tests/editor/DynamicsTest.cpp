// Dynamics: the estimates, the meters and curve that show them, and the panels' writes.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <algorithm>
#include <limits>

#include "EditorRig.h"
#include "editor/DEQBox.h"
#include "editor/DynamicsBoxes.h"
#include "editor/DynamicsEstimates.h"
#include "editor/DynamicsViews.h"
#include "support/WidgetTesting.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Palette.h"

using namespace editorrig;
using Words = DSPModel::Words;

TEST(DynamicsEstimates, CompressorSoftKneeJoinsTheStraightPart) {
    DSPModel::Compressor c{-20, 4, 10, 100, 0, true};
    EXPECT_FLOAT_EQ(dynamics::compressorReduction(c, -10), 7.5f);
    EXPECT_FLOAT_EQ(dynamics::compressorReduction(c, -20), 0);
    c.knee = 10;
    EXPECT_FLOAT_EQ(dynamics::compressorReduction(c, -20), 0.9375f);
    EXPECT_FLOAT_EQ(dynamics::compressorReduction(c, -25), 0);
    EXPECT_FLOAT_EQ(dynamics::compressorReduction(c, -15), 3.75f);
    EXPECT_FLOAT_EQ(dynamics::compressorReduction(c, -84), 0);  // silence
    c.ratio = 0.5f;                                             // acts as 1:1
    EXPECT_FLOAT_EQ(dynamics::compressorReduction(c, 0), 0);
    c = {-20, 4, 10, 100, 0, false};
    EXPECT_FLOAT_EQ(dynamics::compressorReduction(c, 0), 0);
}

TEST(DynamicsEstimates, LimiterGateAndDynamicEQ) {
    EXPECT_FLOAT_EQ(dynamics::limiterReduction({0, 50, true}, 3), 3);
    EXPECT_FLOAT_EQ(dynamics::limiterReduction({0, 50, false}, 3), 0);
    EXPECT_FLOAT_EQ(dynamics::gateReduction(true, -40, -50), 24);
    EXPECT_FLOAT_EQ(dynamics::gateReduction(true, -40, -40), 0);

    DSPModel::DEQBand band{1000, 6, 1, DEQMode::cutAbove, true, -20, 10, 100, 4};
    EXPECT_FLOAT_EQ(dynamics::deqGainChange(band, -10), -6);
    band = {1000, 12, 1, DEQMode::boostBelow, true, -40, 10, 100, 2};
    EXPECT_FLOAT_EQ(dynamics::deqGainChange(band, -84), 12);
    for (DEQMode mode : DEQMode::allCases()) {
        band.mode = mode;
        EXPECT_FLOAT_EQ(dynamics::deqGainChange(band, -40), 0);  // at the threshold
    }
    band.ratio = 1;
    EXPECT_FLOAT_EQ(dynamics::deqGainChange(band, -80), 0);
    band.ratio = 2;
    band.active = false;
    EXPECT_FLOAT_EQ(dynamics::deqGainChange(band, -80), 0);
}

TEST(DynamicsMetersView, TextsAndBarsFollowTheReading) {
    DynamicsMeters meters(false, 150, false);
    meters.setReading({-90, 5, false, false, std::nullopt});
    EXPECT_EQ(meters.inText(), QStringLiteral("-60"));
    EXPECT_EQ(meters.grText(), QStringLiteral("OFF"));
    EXPECT_EQ(meters.outputLevel(), -90);
    meters.setReading({-10, 0.04f, false, true, std::nullopt});
    EXPECT_EQ(meters.grText(), QStringLiteral("0.0"));
    meters.setReading({-10, 0.05f, false, true, std::nullopt});
    EXPECT_EQ(meters.grText(), QStringLiteral("\u22120.1"));
    EXPECT_EQ(meters.grMeter()->litCount(), 0);
    meters.setReading({-10, 45, false, true, std::nullopt});
    meters.grMeter()->resize(10, 150);
    EXPECT_EQ(meters.grMeter()->litCount(), 33);  // beyond the last mark: all lit
    EXPECT_EQ(meters.outText(), QStringLiteral("-55"));
    EXPECT_EQ(meters.grCaption(), QStringLiteral("GR"));

    // The dynamic EQ's meters show boost and cut on their own scale.
    DynamicsMeters deq(true, 190, true);
    deq.setReading({-20, 3, true, true, std::nullopt});
    deq.grMeter()->resize(10, 190);
    EXPECT_EQ(deq.grCaption(), QStringLiteral("BOOST"));
    EXPECT_EQ(deq.grText(), QStringLiteral("+3.0"));
    EXPECT_EQ(deq.outputLevel(), -17);
    EXPECT_EQ(GRMeter::segmentCount(190), 42);
    EXPECT_EQ(deq.grMeter()->litCount(), 16);
    deq.setReading({-20, 3, false, true, std::nullopt});
    EXPECT_EQ(deq.grText(), QStringLiteral("\u22123.0"));
    EXPECT_EQ(deq.outputLevel(), -23);
    EXPECT_TRUE(deq.toolTip().startsWith(QStringLiteral("IN is the DSP's level for this channel. GR")));
    EXPECT_EQ(GRMeter::segmentCount(36), 8);
}

TEST(DynamicsMetersView, ThresholdMarkerSitsWhereTheLevelLightsTheBar) {
    DynamicsMeters meters(true, 190, true);
    const QList<std::pair<float, double>> placed{{-20, 122.9}, {0, 61.9}};
    for (const auto& [t, y] : placed) {
        meters.setReading({-20, 0, false, true, t});
        ASSERT_TRUE(meters.thresholdMarkerY());
        EXPECT_NEAR(*meters.thresholdMarkerY(), y, 0.05);
    }
    meters.setReading({-20, 0, false, true, -47.9f});
    EXPECT_NEAR(*meters.thresholdMarkerY(), 190 - 0.2, 0.05);
    for (std::optional<float> none :
         {std::optional<float>(-48), std::optional<float>(20), std::optional<float>()}) {
        meters.setReading({-20, 0, false, true, none});
        EXPECT_FALSE(meters.thresholdMarkerY());
    }
}

TEST(TransferCurveView, LivePointOnlyAboveTheBottomOfTheRange) {
    TransferCurve curve;
    curve.resize(200, 170);
    curve.setState(-20, -60, Qt::white, [](float v) { return v; });
    EXPECT_FALSE(curve.livePoint());
    curve.setState(-20, 30, Qt::white, [](float v) { return v; });
    ASSERT_TRUE(curve.livePoint());
    EXPECT_GT(curve.livePoint()->x(), 200);  // not clamped sideways
    EXPECT_DOUBLE_EQ(curve.livePoint()->y(), 0);
}

namespace {

class DynamicsPanels : public ::testing::Test {
protected:
    Rig rig;
};

}  // namespace

TEST_F(DynamicsPanels, CompressorWorksOnSilenceWhenMutedCommitsOneFieldAndGreysWhenOff) {
    rig.model.setCompressor(4, {-20, 4, 10, 100, 0, true});
    rig.setLevel(4, 0);
    CompressorBox box(rig.model, 4);
    EXPECT_EQ(box.meters()->grText(), QStringLiteral("\u221215.0"));
    rig.model.setMute(4, true);
    box.refresh();
    EXPECT_EQ(box.meters()->inText(), QStringLiteral("-60"));
    EXPECT_EQ(box.meters()->grText(), QStringLiteral("0.0"));
    EXPECT_FALSE(box.curve()->livePoint());

    box.knobs()[1]->committed(2.5);
    EXPECT_EQ(rig.model.compressor(4).ratio, 2.5f);
    EXPECT_EQ(rig.model.compressor(4).threshold, -20.0f);
    box.knobs()[2]->committed(12.9);  // integers take the whole part
    EXPECT_EQ(rig.model.compressor(4).attack, 12);
    box.knobs()[2]->committed(std::numeric_limits<double>::infinity());
    EXPECT_EQ(rig.model.compressor(4).attack, 12);
    box.onToggle()->click();
    EXPECT_EQ(rig.model.words(182 + 4, 1)[0], 1u);
    box.refresh();
    EXPECT_EQ(box.meters()->grText(), QStringLiteral("OFF"));
}

TEST_F(DynamicsPanels, LimiterSeesTheCompressedLevel) {
    rig.model.setCompressor(6, {-20, 4, 10, 100, 0, false});
    rig.model.setLimiter(6, {0, 50, true});
    LimiterBox box(rig.model, 6);
    rig.setLevel(6, 3);  // the meter store drives the panel
    EXPECT_EQ(box.meters()->grText(), QStringLiteral("\u22123.0"));
    EXPECT_EQ(box.meters()->outText(), QStringLiteral("0"));
    box.knobs()[0]->committed(-5);
    EXPECT_EQ(rig.model.limiter(6).threshold, 0.0f);
}

TEST_F(DynamicsPanels, GateStatusFollowsTheLevelAndWritesReachTheGroup) {
    rig.model.setGroup(1, 3);
    rig.model.setGroup(3, 3);
    rig.model.write(210 + 1, {bits(-40), 0, 0, 0, 0, 0}, std::nullopt, false);
    GateBox gate(rig.model, 1);
    ASSERT_TRUE(gate.onToggle()->isChecked());  // no words yet: on
    rig.setLevel(1, -50);
    EXPECT_EQ(gate.status()->text(), QStringLiteral("Closed"));
    EXPECT_EQ(gate.status()->palette().color(QPalette::WindowText), Palette::red());
    EXPECT_EQ(gate.meters()->outText(), QStringLiteral("-60"));  // -74 shown at the floor
    rig.setLevel(1, -40);
    EXPECT_EQ(gate.status()->text(), QStringLiteral("Open"));
    rig.model.meterStore().setLive(false);  // the link is gone: its last level is no signal
    EXPECT_EQ(gate.status()->text(), QStringLiteral("Closed"));
    rig.model.meterStore().setLive(true);
    rig.model.setMute(1, true);
    gate.refresh();
    EXPECT_EQ(gate.status()->text(), QStringLiteral("Closed"));
    gate.onToggle()->click();
    EXPECT_EQ(rig.model.words(214 + 1, 1)[0], 1u);
    EXPECT_EQ(rig.model.words(214 + 3, 1)[0], 1u);
    gate.refresh();
    EXPECT_EQ(gate.status()->text(), QStringLiteral("Off"));

    const QList<std::pair<double, float>> cases{{5, 0.0f}, {-120, -90.0f}, {-33.36, -33.4f}};
    for (const auto& [typed, stored] : cases) {
        gate.knobs()[0]->committed(typed);
        EXPECT_EQ(single(rig.model.words(210 + 1, 1)[0]), stored) << typed;
        EXPECT_EQ(single(rig.model.words(210 + 3, 1)[0]), stored) << typed;
    }
}

TEST_F(DynamicsPanels, DynamicEQBandsEditAndSummarise) {
    rig.model.setGroup(1, 2);
    rig.model.setGroup(2, 2);
    rig.model.setDEQBand(1, 0, {1000, 12, 1, DEQMode::boostBelow, true, -40, 10, 100, 2});
    DEQBox box(rig.model, 1);
    rig.setLevel(1, -84);
    EXPECT_EQ(box.band(0)->summary()->text(), QStringLiteral("+12.0 dB @ 1000 Hz"));
    EXPECT_EQ(box.band(0)->meters()->grCaption(), QStringLiteral("BOOST"));
    EXPECT_TRUE(box.help()->text().endsWith(QStringLiteral("(from the input level -84.0 dB).")));

    box.band(0)->modePicker()->setCurrentIndex(DEQMode::cutAbove);  // as a pick in its list does
    const Words written = rig.model.words(354 + 3 * 1, 8);
    EXPECT_EQ((written[3] >> 8) & 0xFF, quint32(DEQMode::cutAbove));
    EXPECT_EQ(rig.model.words(354 + 3 * 2, 8), written);

    box.band(2)->knobs()[0]->committed(25000.7);  // Freq: the whole part, then the device's range
    EXPECT_EQ(rig.model.deqBand(1, 2).freq, 22000);
    box.refresh();
    EXPECT_EQ(box.band(1)->summary()->text(), QStringLiteral("bypassed"));
}

TEST_F(DynamicsPanels, DynamicEQGraphLiveLineSumsTheBandsChanges) {
    rig.model.setDEQBand(0, 0, {1000, 6, 1, DEQMode::cutAbove, true, -20, 10, 100, 4});
    DEQFrequencyGraph graph(rig.model, 0, 17, 24000, 14);
    graph.resize(600, 170);
    graph.refresh();
    const QList<double> quiet = graph.liveLevels(-60);
    EXPECT_TRUE(std::all_of(quiet.begin(), quiet.end(), [](double v) { return v == 0; }));
    const QList<double> loud = graph.liveLevels(-10);
    EXPECT_NEAR(*std::min_element(loud.begin(), loud.end()), -6, 0.1);
}
