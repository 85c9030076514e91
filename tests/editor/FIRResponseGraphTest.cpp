// The FIR response graph: levels from the coefficients and their place on the 0 to -60 dB scale.
#include <gtest/gtest.h>

#include "editor/FIRResponseGraph.h"

TEST(FIRResponseGraphTest, LevelsAreTheMagnitudeFromTapZeroOnTheScale) {
    FIRResponseGraph graph(17, 24000, 110);
    graph.resize(400, 110);
    for (double level : graph.levels()) EXPECT_DOUBLE_EQ(graph.yPosition(level), 110 - 20);  // -180 dB
    graph.setCoefficients({1.0f});
    for (double level : graph.levels()) EXPECT_DOUBLE_EQ(graph.yPosition(level), 10);
    EXPECT_NEAR(graph.yPosition(-20) + 7, 43.67, 0.01);
    EXPECT_NEAR(graph.yPosition(-40) + 7, 70.33, 0.01);
    EXPECT_DOUBLE_EQ(graph.yPosition(std::nan("")), 10);
    // Two equal taps: a comb with its first zero at half the sample rate; delay does not matter.
    const QList<float> taps{0.5f, 0.5f};
    EXPECT_NEAR(FIRResponseGraph::levelAt(taps, 0), 0, 1e-9);
    EXPECT_NEAR(FIRResponseGraph::levelAt(taps, 12000), 20 * std::log10(std::sqrt(0.5)), 1e-6);
    EXPECT_NEAR(FIRResponseGraph::levelAt({0, 0, 0, 1.0f}, 5000), 0, 1e-9);
    // Gain above 0 dB stays on the 0 dB line.
    graph.setCoefficients({2.0f});
    EXPECT_DOUBLE_EQ(graph.yPosition(graph.levels().first()), 10);
    EXPECT_NEAR(graph.xPosition(24000), 400, 1e-9);
    EXPECT_GT(graph.xPosition(20), 0);
}
