#include <gtest/gtest.h>

#include <QJsonArray>

#include <bit>
#include <cmath>
#include <numbers>
#include <random>

#include "fir/FIRDesigner.h"
#include "fir/GoldenVectors.h"

namespace {

constexpr double pi = std::numbers::pi;

double rangeWeight(double lo, double hi, double hz) {
    const double fade = std::log2(1.26);
    const double below = std::log2(lo / hz);
    const double above = std::log2(hz / hi);
    const double weight = below > 0 ? 1 - below / fade : above > 0 ? 1 - above / fade : 1;
    return std::max(weight, 0.0);
}

// The correction design as written, bin by bin from the settings' own target
// curve and the measurement's interpolation, transformed back by the direct
// sum over all 4096 bins for every tap: slow, and plainly the definition.
QList<float> directDesign(const std::optional<Measurement>& m, const FIRDesignerSettings& s) {
    constexpr int grid = 8192;
    const int taps = s.taps;
    std::vector<double> phases;
    double maxDB = 0;
    if (m) {
        phases = Measurement::unwrappedPhases(m->points);
        std::optional<double> loudest;
        for (const Measurement::Point& p : m->points)
            if (p.hz >= 20 && p.hz <= 20000 && (!loudest || p.db > *loudest)) loudest = p.db;
        if (s.normalise) maxDB = loudest.value_or(0);
    }
    const double reference = m && s.aroundAverage ? FIRDesigner::averageLevel(m->points, s, phases) : 0;
    const bool correctPhase = m && s.phaseOn && Measurement::hasPhase(m->points);
    const TargetCurve target(s);  // targetDB, built once
    std::vector<double> re(grid / 2 + 1), im(grid / 2 + 1);
    for (int k = 0; k <= grid / 2; ++k) {
        const double hz = std::max(k * 48000.0 / grid, 1.0);
        double db = target.db(hz);
        double phi = 0;
        if (m && s.magOn) {
            const double level = s.offsetDB + (Measurement::interpolate(phases, m->points, hz).db - maxDB);
            db += rangeWeight(s.magMin, s.magMax, hz) * std::min(reference - level, s.maxBoostDB);
        }
        if (correctPhase)
            phi = -rangeWeight(s.phaseMin, s.phaseMax, hz) *
                  Measurement::interpolate(phases, m->points, hz).deg * pi / 180;
        const double theta = phi - 2 * pi * k * ((taps - 1) / 2.0) / grid;
        re[k] = std::pow(10, db / 20) * std::cos(theta);
        im[k] = std::pow(10, db / 20) * std::sin(theta);
    }
    im[0] = im[grid / 2] = 0;
    static const auto [cosines, sines] = [] {
        std::pair<std::vector<double>, std::vector<double>> turns{std::vector<double>(grid),
                                                                  std::vector<double>(grid)};
        for (int j = 0; j < grid; ++j) {
            turns.first[j] = std::cos(2 * pi * j / grid);
            turns.second[j] = std::sin(2 * pi * j / grid);
        }
        return turns;
    }();
    // Plain pointers: unoptimised element access would make this sum the whole suite's slowest part.
    const double *x = re.data(), *y = im.data(), *c = cosines.data(), *z = sines.data();
    QList<float> h(taps);
    for (int n = 0; n < taps; ++n) {
        double sum = 0;
        for (int k = 1; k < grid / 2; ++k) {
            const int turn = (k * n) & (grid - 1);
            sum += x[k] * c[turn] - y[k] * z[turn];
        }
        const double s = re[0] + (n % 2 == 0 ? 1 : -1) * re[grid / 2] + 2 * sum;
        h[n] = static_cast<float>(s / grid * (0.5 - 0.5 * std::cos(2 * pi * (n + 0.5) / taps)));
    }
    return h;
}

// Settings and a measurement drawn over everything the design reads.
struct RandomCase {
    std::optional<Measurement> measurement;
    FIRDesignerSettings settings;
};

RandomCase randomCase(std::mt19937& random, int taps) {
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    const auto logUniform = [&](double lo, double hi) { return lo * std::pow(hi / lo, uniform(0, 1)); };
    const auto chance = [&](double p) { return uniform(0, 1) < p; };
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    RandomCase c;
    FIRDesignerSettings& s = c.settings;
    s.taps = taps;
    s.normalise = chance(0.3);
    s.offsetDB = chance(0.5) ? 0 : uniform(-90, 10);
    s.eqBypass = chance(0.15);
    s.hpOn = chance(0.5);
    s.hpHz = logUniform(10, 2000);
    s.hpSlope = pick(0, 16);  // 16 is no slope: BW12
    s.lpOn = chance(0.5);
    s.lpHz = logUniform(1000, 23000);
    s.lpSlope = pick(0, 16);
    for (FIRDesignerSettings::Band& band : s.bands)
        band = {chance(0.4), pick(0, 14), logUniform(20, 20000), uniform(0.05, 10),
                chance(0.1) ? 0 : uniform(-15, 15)};
    s.magOn = chance(0.7);
    s.magMin = logUniform(10, 2000);
    s.magMax = chance(0.1) ? logUniform(5, 30) : logUniform(1000, 30000);
    s.maxBoostDB = uniform(0, 20);
    s.aroundAverage = chance(0.6);
    s.phaseOn = chance(0.6);
    s.phaseMin = logUniform(10, 2000);
    s.phaseMax = logUniform(1000, 30000);
    if (chance(0.1)) return c;

    Measurement m{"random", {}};
    const int count = pick(10, 600);
    const double first = logUniform(2, 50);
    const double last = logUniform(5000, 40000);
    const bool phases = chance(0.8);
    double db = uniform(60, 100);
    double deg = uniform(-180, 180);
    for (int i = 0; i < count; ++i) {
        db += uniform(-1.5, 1.5);
        deg = std::remainder(deg + uniform(-40, 25), 360);
        const bool withPhase = phases && !chance(0.05);
        m.points.push_back({first * std::pow(last / first, double(i) / (count - 1)),
                            db,
                            withPhase ? std::optional(deg) : std::nullopt,
                            {}});
    }
    c.measurement = m;
    return c;
}

// How many single-precision steps apart two coefficients are.
std::int64_t stepsApart(float a, float b) {
    const auto ordered = [](float x) {
        const auto bits = std::int64_t(std::bit_cast<std::int32_t>(x));
        return bits < 0 ? std::int64_t(INT32_MIN) - bits : bits;
    };
    return std::abs(ordered(a) - ordered(b));
}

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

// Both transforms add up thousands of double products, rounded differently:
// the results differ by a few 1e-15 of the filter's largest coefficient. A
// coefficient whose exact value lies that close to a rounding boundary of
// single precision lands one step (ulp) apart; that is allowed, and so rare
// that more than one in a thousand would mean a real error of that size. A
// coefficient that is 0 but for that rounding, as every tap of the pure
// delay of an odd count is but the centre, comes out as noise near 1e-18 of
// different values in each, countless steps apart and still 0 at single
// precision: within 1e-13 of the largest coefficient it counts as equal.
TEST(FIRDesigner, FastTransformGivesTheDirectSumsCoefficients) {
    std::mt19937 random(20261207);
    int coefficients = 0;
    int oneStep = 0;
    for (int round = 0; round < 40; ++round) {
        for (int taps : {1, 2, 255, 256, 512}) {
            const RandomCase c = randomCase(random, taps);
            const QList<float> fast = FIRDesigner::designCorrection(c.measurement, c.settings);
            const QList<float> direct = directDesign(c.measurement, c.settings);
            ASSERT_EQ(fast.size(), taps);
            float peak = 0;
            for (float value : direct) peak = std::max(peak, std::abs(value));
            for (int n = 0; n < taps; ++n) {
                const std::int64_t steps = stepsApart(fast[n], direct[n]);
                oneStep += steps == 1;
                EXPECT_TRUE(steps <= 1 || std::abs(fast[n] - direct[n]) <= 1e-13f * peak)
                    << "round " << round << ", " << taps << " taps, tap " << n << ": " << fast[n] << " vs "
                    << direct[n];
            }
            coefficients += taps;
        }
    }
    EXPECT_LE(oneStep, coefficients / 1000);
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
