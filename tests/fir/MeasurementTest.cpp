#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <random>

#include "fir/Measurement.h"

using Point = Measurement::Point;

namespace {

// Ten usable lines after the given ones, at 1 kHz and up, so parse succeeds.
QString withFiller(const QString& lines) {
    QString text = lines;
    for (int i = 0; i < 10; ++i) text += QStringLiteral("\n%1 80").arg(1000 + i);
    return text;
}

Point firstParsed(const QString& line) {
    const std::optional<Measurement> m = Measurement::parse(withFiller(line), "m");
    EXPECT_TRUE(m);
    return m ? m->points.front() : Point{};
}

std::vector<Point> withPhases(std::initializer_list<std::optional<double>> phases) {
    std::vector<Point> points;
    for (const std::optional<double>& deg : phases) points.push_back({100.0 + points.size(), 0, deg, {}});
    return points;
}

// The unwrapping loop as first described: steps of 360 degrees.
std::vector<double> unwrapBySteps(const std::vector<Point>& points) {
    std::vector<double> result;
    double offset = 0, previous = 0;
    bool seen = false;
    for (const Point& p : points) {
        if (p.deg) {
            if (seen) {
                double x = *p.deg + offset;
                while (x - previous > 180) offset -= 360, x -= 360;
                while (x - previous < -180) offset += 360, x += 360;
            }
            previous = *p.deg + offset;
            seen = true;
        }
        result.push_back(previous);
    }
    return result;
}

}  // namespace

TEST(MeasurementParse, ExportFormsOfMeasurementTools) {
    const Point expected{20, 85.1, -12, {}};
    for (const char* line :
         {"20,85.1,-12", "20;85.1;-12", "20\t85.1\t-12", "20   85.1  -12", "  20, 85.1 ;\t-12\t"})
        EXPECT_EQ(firstParsed(line), expected) << line;
    EXPECT_EQ(firstParsed("20 85.1 word 0.9"), (Point{20, 85.1, {}, 0.9}));
    EXPECT_EQ(firstParsed("2e1 8.51E1 -12 0.9 extra fields"), (Point{20, 85.1, -12, 0.9}));
    // Non-finite phase and coherence count as absent.
    EXPECT_EQ(firstParsed("20 85.1 nan inf"), (Point{20, 85.1, {}, {}}));
}

TEST(MeasurementParse, SkippedLines) {
    const QString skipped =
        "* header of a measurement tool\n# comment\nFreq(Hz) SPL(dB) Phase(degrees)\n"
        "0 80\n-20 80\n20\nnan 80\ninf 80\n20 nan\n20 -inf\n20.5.1 80\n20 80x\n\u00a0";
    const std::optional<Measurement> m = Measurement::parse(withFiller(skipped), "m");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->points.size(), 10u);
    EXPECT_EQ(m->name, "m");
}

TEST(MeasurementParse, LineBreaksSortingAndTheMinimum) {
    QString nine;
    for (int i = 0; i < 9; ++i) nine += QStringLiteral("%1 %2\n").arg(100 * (9 - i)).arg(i);
    EXPECT_FALSE(Measurement::parse(nine, "m"));
    EXPECT_FALSE(Measurement::parse(QString(), "m"));

    const QString ten = nine + "100 99";  // a second 100 Hz line, after the first
    const std::optional<Measurement> m = Measurement::parse(ten, "m");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->points.size(), 10u);
    EXPECT_EQ(m->points[0], (Point{100, 8, {}, {}}));
    EXPECT_EQ(m->points[1], (Point{100, 99, {}, {}}));
    EXPECT_EQ(m->points[9], (Point{900, 0, {}, {}}));

    QString breaks = ten;
    breaks.replace('\n', QStringLiteral("\r\n"));
    EXPECT_EQ(Measurement::parse(breaks, "m"), m);
    const char16_t separators[] = {u'\r', u'\v', u'\f', 0x85, 0x2028, 0x2029};
    for (char16_t separator : separators) {
        QString other = ten;
        other.replace('\n', QChar(separator));
        EXPECT_EQ(Measurement::parse(other, "m"), m) << int(separator);
    }
}

TEST(MeasurementPhase, Unwrapping) {
    using Phases = std::vector<double>;
    EXPECT_EQ(Measurement::unwrappedPhases(withPhases({170, -170, -150})), (Phases{170, 190, 210}));
    EXPECT_EQ(Measurement::unwrappedPhases(withPhases({10, {}, 20})), (Phases{10, 10, 20}));
    EXPECT_EQ(Measurement::unwrappedPhases(withPhases({{}, 30, 400})), (Phases{0, 30, 40}));
    EXPECT_EQ(Measurement::unwrappedPhases(withPhases({-170, 170, 150, -180})),
              (Phases{-170, -190, -210, -180}));
    EXPECT_TRUE(Measurement::unwrappedPhases({}).empty());

    // Huge and non-finite phases end at once instead of stepping forever.
    const Phases huge = Measurement::unwrappedPhases(withPhases({0, 1e300, NAN, -1e300, 10}));
    ASSERT_EQ(huge.size(), 5u);
    EXPECT_EQ(huge[2], huge[1]) << "NaN counts as no phase";
}

TEST(MeasurementPhase, ArithmeticTurnsMatchTheSteppingLoop) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> degrees(-2000, 2000);
    std::bernoulli_distribution missing(0.2);
    for (int round = 0; round < 200; ++round) {
        std::vector<Point> points;
        for (int i = 0; i < 30; ++i)
            points.push_back({100.0 + i,
                              0,
                              missing(random) ? std::nullopt : std::optional<double>(degrees(random) / 4.0),
                              {}});
        EXPECT_EQ(Measurement::unwrappedPhases(points), unwrapBySteps(points));
    }
}

TEST(MeasurementPhase, HasPhaseNeedsMoreThanHalf) {
    std::vector<Point> points = withPhases({1, 2, 3, 4, 5, {}, {}, {}, {}, {}});
    EXPECT_FALSE(Measurement::hasPhase(points));
    points[5].deg = 6;
    EXPECT_TRUE(Measurement::hasPhase(points));
    points.push_back({});
    EXPECT_TRUE(Measurement::hasPhase(points)) << "6 of 11";
    EXPECT_FALSE(Measurement::hasPhase({}));
    EXPECT_FALSE(Measurement::hasPhase(withPhases({NAN, NAN, 1})));
}

TEST(MeasurementInterpolate, LogFrequencyAxisAndHeldEnds) {
    const std::vector<Point> points{
        {100, 0, {}, {}}, {400, -12, {}, {}}, {1000, 6, {}, {}}, {4000, 0, {}, {}}};
    const std::vector<double> phases{10, 20, 30, 40};
    const DBPhase mean = Measurement::interpolate(phases, points, 200);  // geometric mean of 100 and 400
    EXPECT_NEAR(mean.db, -6, 1e-12);
    EXPECT_NEAR(mean.deg, 15, 1e-12);
    EXPECT_EQ(Measurement::interpolate(phases, points, 400), (DBPhase{-12, 20}));
    EXPECT_NEAR(Measurement::interpolate(phases, points, 2000).db, 3, 1e-12);

    EXPECT_EQ(Measurement::interpolate(phases, points, 20), (DBPhase{0, 10}));
    EXPECT_EQ(Measurement::interpolate(phases, points, 100), (DBPhase{0, 10}));
    EXPECT_EQ(Measurement::interpolate(phases, points, 20000), (DBPhase{0, 40}));
    EXPECT_EQ(Measurement::interpolate({}, points, 20000), (DBPhase{0, 0}));
    EXPECT_EQ(Measurement::interpolate({}, {}, 1000), (DBPhase{0, 0}));
    // A short phase list reads as zeros instead of past its end.
    EXPECT_NEAR(Measurement::interpolate({10}, points, 200).deg, 5, 1e-12);
}

// Levels and phases on a straight line over log frequency come back exactly from
// any number of points, however far each search has to go: a point at a time,
// a few of them, or a gallop over hundreds, alone or along a rising grid.
TEST(MeasurementInterpolate, FindsTheIntervalAmongManyPoints) {
    std::mt19937 random(7);
    std::vector<Point> points;
    std::vector<double> phases;
    double hz = 10;
    for (int i = 0; i < 1500; ++i) {
        hz *= 1 + std::uniform_real_distribution<double>(0.0001, 0.02)(random);
        points.push_back({hz, 3 * std::log(hz), {}, {}});
        phases.push_back(-40 * std::log(hz));
    }
    std::vector<double> grid, logs;
    for (double f = 5; f < 40000; f *= 1.0005 + (grid.size() % 7) * 0.08) {
        grid.push_back(f);
        logs.push_back(std::log(f));
    }
    std::vector<double> db(grid.size()), deg(grid.size());
    Measurement::interpolateRising(phases, points, grid, logs, db, deg);
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const double f = std::clamp(grid[i], points.front().hz, points.back().hz);
        EXPECT_NEAR(db[i], 3 * std::log(f), 1e-9) << grid[i];
        EXPECT_NEAR(deg[i], -40 * std::log(f), 1e-8) << grid[i];
        EXPECT_EQ(Measurement::interpolate(phases, points, grid[i]).db, db[i]) << grid[i];
    }
}

TEST(MeasurementJson, RoundTripAndOptionalKeys) {
    const Measurement m{"Left top", {{20, 85.5, -12.25, 0.9}, {40, 80, {}, {}}, {80, 81, 3, {}}}};
    const QJsonObject json = m.toJson();
    EXPECT_EQ(json["points"].toArray()[1].toObject().keys(), QStringList({"db", "hz"}));
    EXPECT_EQ(json["points"].toArray()[2].toObject().keys(), QStringList({"db", "deg", "hz"}));
    const QByteArray text = QJsonDocument(json).toJson();
    EXPECT_EQ(Measurement::fromJson(QJsonDocument::fromJson(text).object()), m);

    auto decode = [](const char* text) {
        return Measurement::fromJson(QJsonDocument::fromJson(text).object());
    };
    EXPECT_TRUE(decode(R"({"name":"n","points":[{"hz":1,"db":2,"deg":null}]})"));
    EXPECT_TRUE(decode(R"({"name":"n","points":[]})"));
    for (const char* broken :
         {R"({"points":[]})", R"({"name":"n"})", R"({"name":1,"points":[]})",
          R"({"name":"n","points":[{"hz":1}]})", R"({"name":"n","points":[{"db":1}]})",
          R"({"name":"n","points":[{"hz":"1","db":2}]})",
          R"({"name":"n","points":[{"hz":1,"db":2,"deg":"x"}]})",
          R"({"name":"n","points":[{"hz":1,"db":2,"coherence":true}]})", R"({"name":"n","points":[7]})"})
        EXPECT_FALSE(decode(broken)) << broken;
}
