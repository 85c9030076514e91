// The response graphs: their mappings, which curves each mode draws and how, the curve
// values (speaker normalisation, FIR response about the centre tap, wrapped result phase)
// and the legend.
#include <gtest/gtest.h>

#include <QApplication>

#include <cmath>

#include "designer/DesignerGraph.h"
#include "support/WidgetTesting.h"
#include "ui/controls/Theme.h"

using Kind = DesignerGraph::CurveKind;

namespace {

struct Graph {
    DesignerGraph graph;
    explicit Graph(DesignerGraph::Mode mode) : graph(mode, 17, 24000, 20, -30) { graph.resize(600, 300); }

    std::vector<Kind> kinds() const {
        std::vector<Kind> out;
        for (const auto& curve : graph.curves()) out.push_back(curve.kind);
        return out;
    }
    DesignerGraph::Curve curve(Kind kind) const {
        for (const auto& curve : graph.curves())
            if (curve.kind == kind) return curve;
        ADD_FAILURE() << "no such curve";
        return {};
    }
};

// Points from 100 Hz to 10 kHz; `phased` of them carry the phase `deg`.
Measurement measurement(int points, int phased, double deg = 0, double db = 0) {
    Measurement m{QStringLiteral("m"), {}};
    for (int i = 0; i < points; ++i) {
        Measurement::Point p{100 * std::pow(100.0, i / double(points - 1)), db, std::nullopt, std::nullopt};
        if (i < phased) p.deg = deg;
        m.points.push_back(p);
    }
    return m;
}

// The curve value at the curve frequency nearest to hz.
double valueNear(const DesignerGraph& graph, const DesignerGraph::Curve& curve, double hz) {
    const std::vector<double> f = graph.curveFrequencies();
    size_t best = 0;
    for (size_t i = 0; i < f.size(); ++i)
        if (std::abs(std::log(f[i] / hz)) < std::abs(std::log(f[best] / hz))) best = i;
    return curve.values[best];
}

}  // namespace

TEST(DesignerGraph, MappingsClampLevelsAndPhasesToTheEdges) {
    Graph g(DesignerGraph::Mode::design);
    const DesignerGraph& graph = g.graph;
    EXPECT_DOUBLE_EQ(graph.xPosition(17), 0);
    EXPECT_DOUBLE_EQ(graph.xPosition(24000), 600);
    EXPECT_GT(graph.xPosition(20), 0);
    EXPECT_LT(graph.xPosition(20000), 600);
    EXPECT_DOUBLE_EQ(graph.yPosition(20), 0);
    EXPECT_DOUBLE_EQ(graph.yPosition(0), 120);
    EXPECT_DOUBLE_EQ(graph.yPosition(35), 0);
    EXPECT_DOUBLE_EQ(graph.yPosition(-180), 300);
    EXPECT_DOUBLE_EQ(graph.yPosition(NAN), 300);
    EXPECT_DOUBLE_EQ(graph.phaseY(180), 0);
    EXPECT_DOUBLE_EQ(graph.phaseY(250), 0);
    EXPECT_DOUBLE_EQ(graph.phaseY(0), 150);
    EXPECT_DOUBLE_EQ(graph.phaseY(-180), 300);
    EXPECT_DOUBLE_EQ(graph.phaseY(-181), 300);
    EXPECT_DOUBLE_EQ(graph.phaseY(NAN), 300);
    const std::vector<double> f = graph.curveFrequencies();
    ASSERT_EQ(f.size(), 241u);
    EXPECT_DOUBLE_EQ(f.front(), 17);
    EXPECT_NEAR(f.back(), 24000, 1e-9);
}

TEST(DesignerGraph, EachModeDrawsItsCurvesInOrder) {
    const FIRDesignerSettings s;
    const QList<float> coeffs{0.25f, 0.5f, 0.25f};
    const Measurement phased = measurement(20, 20);
    const Measurement mostlyUnphased = measurement(20, 10);

    Graph design(DesignerGraph::Mode::design);
    design.graph.setInputs(std::nullopt, s, coeffs, false);
    EXPECT_EQ(design.kinds(), (std::vector{Kind::target, Kind::fir}));
    design.graph.setInputs(mostlyUnphased, s, coeffs, true);
    EXPECT_EQ(design.kinds(), (std::vector{Kind::speaker, Kind::target, Kind::fir, Kind::firPhase}));
    EXPECT_EQ(design.curve(Kind::fir).width, 2);
    EXPECT_NEAR(design.curve(Kind::firPhase).colour.alphaF(), 0.8, 0.01);
    EXPECT_EQ(design.curve(Kind::speaker).colour, DesignerGraph::blue());

    Graph result(DesignerGraph::Mode::result);
    result.graph.setInputs(std::nullopt, s, coeffs, true);  // no phase without a measurement
    EXPECT_EQ(result.kinds(), (std::vector{Kind::target, Kind::fir}));
    EXPECT_NEAR(result.curve(Kind::target).colour.alphaF(), 0.7, 0.01);
    result.graph.setInputs(phased, s, coeffs, true);
    EXPECT_EQ(result.kinds(), (std::vector{Kind::target, Kind::speaker, Kind::result, Kind::resultPhase}));
    EXPECT_NEAR(result.curve(Kind::speaker).colour.alphaF(), 0.35, 0.01);
    EXPECT_EQ(result.curve(Kind::result).colour, QColor(Qt::white));
    result.graph.setInputs(mostlyUnphased, s, coeffs, true);
    EXPECT_EQ(result.kinds(), (std::vector{Kind::target, Kind::speaker, Kind::result}));
    result.graph.setInputs(phased, s, coeffs, false);
    EXPECT_EQ(result.kinds(), (std::vector{Kind::target, Kind::speaker, Kind::result}));
}

TEST(DesignerGraph, FIRResponseIsTakenAboutTheCentreTap) {
    Graph g(DesignerGraph::Mode::design);
    g.graph.setInputs(std::nullopt, {}, {}, true);
    for (double level : g.curve(Kind::fir).values) EXPECT_EQ(level, -180);
    for (double phase : g.curve(Kind::firPhase).values) EXPECT_EQ(phase, 0);

    // cos(w): positive below 12 kHz, negative above; a symmetric filter shows no delay ramp.
    g.graph.setInputs(std::nullopt, {}, {0.5f, 0.0f, 0.5f}, true);
    const auto phase = g.curve(Kind::firPhase);
    const auto level = g.curve(Kind::fir);
    EXPECT_NEAR(valueNear(g.graph, phase, 1000), 0, 1e-6);
    EXPECT_NEAR(std::abs(valueNear(g.graph, phase, 18000)), 180, 1e-6);
    EXPECT_NEAR(valueNear(g.graph, level, 20), 0, 0.01);
    EXPECT_NEAR(valueNear(g.graph, level, 16000), 20 * std::log10(0.5), 0.6);
}

TEST(DesignerGraph, SpeakerIsNormalisedWithinTheAudioBandAndHeldAtTheEnds) {
    Measurement m = measurement(20, 0, 0, 0);
    m.points[10].db = 6;      // the loudest point between 20 Hz and 20 kHz
    m.points.back().db = -4;  // the last measured level, held above 10 kHz
    m.points.push_back({21000, 30, std::nullopt, std::nullopt});  // outside: ignored by normalise
    m.points.push_back({22000, -4, std::nullopt, std::nullopt});
    FIRDesignerSettings s;
    s.normalise = true;
    s.offsetDB = -3;
    Graph g(DesignerGraph::Mode::design);
    g.graph.setInputs(m, s, {1.0f}, false);
    const auto speaker = g.curve(Kind::speaker);
    EXPECT_NEAR(speaker.values.front(), 0 - 6 - 3, 1e-9);  // below 100 Hz: the first level
    EXPECT_NEAR(speaker.values.back(), -4 - 6 - 3, 1e-9);  // above 22 kHz: the last level
    s.normalise = false;
    g.graph.setInputs(m, s, {1.0f}, false);
    EXPECT_NEAR(g.curve(Kind::speaker).values.front(), -3, 1e-9);
}

TEST(DesignerGraph, ResultAddsLevelsAndWrapsThePhase) {
    const Measurement m = measurement(20, 20, 170, -2);
    FIRDesignerSettings s;
    Graph g(DesignerGraph::Mode::result);
    // Two taps about a centre half a sample away: the FIR phase rises to +90 degrees at 24 kHz.
    g.graph.setInputs(m, s, {1.0f, 0.0f}, true);
    const auto result = g.curve(Kind::result);
    const auto phase = g.curve(Kind::resultPhase);
    EXPECT_NEAR(result.values.front(), -2, 1e-9);
    EXPECT_NEAR(phase.values.front(), 170 + 17 * 180.0 / 48000, 1e-6);
    EXPECT_NEAR(phase.values.back(), 170 + 90 - 360, 1e-6);
    for (double deg : phase.values) {
        EXPECT_LE(deg, 180);
        EXPECT_GE(deg, -180);
    }
}

TEST(DesignerGraph, LegendAddsThePhaseEntryWhilePhaseIsShown) {
    DesignerLegend legend;
    const QStringList fixed{QStringLiteral("Speaker"), QStringLiteral("Target"), QStringLiteral("FIR"),
                            QStringLiteral("Speaker × FIR")};
    EXPECT_EQ(legend.labels(), fixed);
    legend.setShowPhase(true);
    EXPECT_EQ(legend.labels(), fixed + QStringList{QStringLiteral("Phase (right scale)")});
    legend.setShowPhase(false);
    EXPECT_EQ(legend.labels(), fixed);
}
