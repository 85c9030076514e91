#include <gtest/gtest.h>

#include <QJsonArray>

#include <cmath>

#include "fir/FIRDesigner.h"
#include "fir/GoldenVectors.h"

namespace {

// A flat measurement at the given level, optionally with a phase on each point.
Measurement flat(double db, bool phases = false) {
    Measurement m{"flat", {}};
    for (int i = 0; i < 40; ++i)
        m.points.push_back({10 * std::pow(1.25, i), db, phases ? std::optional(30.0) : std::nullopt, {}});
    return m;
}

FIRDesignerSettings correcting(double maxBoost = 12) {
    FIRDesignerSettings s;
    s.magOn = true;
    s.aroundAverage = false;
    s.maxBoostDB = maxBoost;
    return s;
}

}  // namespace

TEST(FIRDesigner, MatchesTheInverseFFTOfTheReference) {
    const QJsonArray cases = goldenVectors()["correction"].toArray();
    ASSERT_EQ(cases.size(), 4);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        SCOPED_TRACE(c["name"].toString().toStdString());
        const std::optional<FIRDesignerSettings> settings =
            FIRDesignerSettings::fromJson(c["settings"].toObject());
        ASSERT_TRUE(settings);
        std::optional<Measurement> measurement;
        if (c.contains("measurement")) {
            measurement = Measurement::fromJson(c["measurement"].toObject());
            ASSERT_TRUE(measurement);
        }
        expectCloseToReference(FIRDesigner::designCorrection(measurement, *settings),
                               floatsOf(c["h"].toArray()));
    }
}

TEST(FIRDesigner, TapCounts) {
    FIRDesignerSettings s;
    s.taps = 0;
    EXPECT_TRUE(FIRDesigner::designCorrection(std::nullopt, s).empty());
    s.taps = -5;
    EXPECT_TRUE(FIRDesigner::designCorrection(std::nullopt, s).empty());
    // One tap: the whole flat spectrum sums to 1, and the window at its centre is 1.
    s.taps = 1;
    EXPECT_EQ(FIRDesigner::designCorrection(std::nullopt, s), QList<float>{1.0f});

    // The pure delay of 255.5 samples: symmetric about the middle, largest at taps 255 and 256.
    s.taps = 512;
    const QList<float> h = FIRDesigner::designCorrection(std::nullopt, s);
    ASSERT_EQ(h.size(), 512);
    for (int n = 0; n < 256; ++n) EXPECT_NEAR(h[n], h[511 - n], 1e-7) << n;
    EXPECT_NEAR(h[255], 0.6366, 1e-3);  // 2 / pi of the half-sample shift
    EXPECT_NEAR(FIRDesigner::response(h, 1000).db, 0, 0.01);
    EXPECT_NEAR(FIRDesigner::response(h, 1000).deg, 0, 0.01);
}

TEST(FIRDesigner, MagnitudeCorrectionBoostsUpToTheLimitAndCutsFully) {
    const struct { double measured, expected; } cases[] = {{-6, 6}, {-20, 12}, {20, -20}, {0, 0}};
    for (const auto& c : cases) {
        const QList<float> h = FIRDesigner::designCorrection(flat(c.measured), correcting());
        EXPECT_NEAR(FIRDesigner::response(h, 1000).db, c.expected, 0.02) << c.measured;
    }
    // Towards the average, a flat measurement needs no correction; the offset moves it.
    FIRDesignerSettings average = correcting();
    average.aroundAverage = true;
    EXPECT_NEAR(FIRDesigner::response(FIRDesigner::designCorrection(flat(85), average), 1000).db, 0, 0.02);
    FIRDesignerSettings offset = correcting();
    offset.offsetDB = -90;
    EXPECT_NEAR(FIRDesigner::response(FIRDesigner::designCorrection(flat(85), offset), 1000).db, 5, 0.02);
    // Normalising refers the level to the loudest point of 20 Hz - 20 kHz.
    offset.normalise = true;
    EXPECT_NEAR(FIRDesigner::response(FIRDesigner::designCorrection(flat(85), offset), 1000).db, 12, 0.02);
}

TEST(FIRDesigner, BypassedTargetStillCorrects) {
    FIRDesignerSettings s = correcting();
    s.eqBypass = true;
    s.hpOn = s.lpOn = true;
    s.hpHz = 2000;
    s.lpHz = 3000;
    s.bands[0] = {true, 0, 1000, 2, -12};
    FIRDesignerSettings plain = correcting();
    EXPECT_EQ(FIRDesigner::designCorrection(flat(-6), s), FIRDesigner::designCorrection(flat(-6), plain));
    EXPECT_NE(FIRDesigner::designCorrection(std::nullopt, correcting()),
              FIRDesigner::designCorrection(flat(-6), correcting()));
}

TEST(FIRDesigner, PhaseCorrectionNeedsMostPointsWithPhase) {
    FIRDesignerSettings on;
    on.phaseOn = true;
    const FIRDesignerSettings off;
    Measurement half = flat(0, true);
    for (std::size_t i = 0; i < half.points.size() / 2; ++i) half.points[i].deg.reset();
    EXPECT_EQ(FIRDesigner::designCorrection(half, on), FIRDesigner::designCorrection(half, off));
    // A constant +30 degrees is undone by -30 degrees.
    const QList<float> h = FIRDesigner::designCorrection(flat(0, true), on);
    EXPECT_NEAR(FIRDesigner::response(h, 1000).deg, -30, 0.1);
}

TEST(FIRDesigner, AverageLevel) {
    const Measurement m = flat(80);
    const std::vector<double> phases = Measurement::unwrappedPhases(m.points);
    FIRDesignerSettings s;
    EXPECT_NEAR(FIRDesigner::averageLevel(m.points, s, phases), 80, 1e-9);
    s.offsetDB = 3;
    EXPECT_NEAR(FIRDesigner::averageLevel(m.points, s, phases), 83, 1e-9);
    s.magMin = 25000;
    EXPECT_EQ(FIRDesigner::averageLevel(m.points, s, phases), 0);

    // A level rising 1 dB per octave averages to its value at the geometric middle of 100 Hz - 1.6 kHz.
    Measurement slope{"slope", {}};
    for (int i = 0; i <= 10; ++i) slope.points.push_back({25.0 * std::pow(2, i), double(i), {}, {}});
    FIRDesignerSettings band;
    band.magMin = 100;
    band.magMax = 1600;
    EXPECT_NEAR(FIRDesigner::averageLevel(slope.points, band, {}), 4, 1e-9);
}

TEST(FIRDesigner, ResponseIsReferredToTheCentre) {
    EXPECT_EQ(FIRDesigner::response({}, 1000), (DBPhase{-180, 0}));
    EXPECT_EQ(FIRDesigner::response({1.0f}, 1000), (DBPhase{0, 0}));
    // One sample ahead of the centre of three taps leads by a quarter turn at 12 kHz.
    const DBPhase early = FIRDesigner::response({1.0f, 0, 0}, 12000);
    EXPECT_NEAR(early.db, 0, 1e-12);
    EXPECT_NEAR(early.deg, 90, 1e-9);
}
