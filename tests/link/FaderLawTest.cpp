#include <gtest/gtest.h>

#include <limits>

#include "link/FaderLaw.h"

TEST(FaderLawTest, PositionFollowsTheTableAndClampsOutsideIt) {
    struct Case {
        double db;
        double travel;
    };
    const Case cases[] = {{-100, 0}, {-60, 0},   {-45, 0.105}, {-40, 0.14}, {-6, 0.65},
                          {0, 0.77}, {3, 0.824}, {12, 0.964},  {15, 1},     {20, 1}};
    for (const Case& c : cases) EXPECT_NEAR(faderPosition(c.db), c.travel, 1e-12) << c.db;
    // A table point uses the lower segment and lands exactly on the table's travel.
    EXPECT_EQ(faderPosition(-40), 0.14);
}

TEST(FaderLawTest, InverseInterpolatesInDecibelsAndClamps) {
    EXPECT_NEAR(faderDB(0.77), 0, 1e-12);
    EXPECT_NEAR(faderDB(0.5), -13.888888888888889, 1e-9);
    EXPECT_NEAR(faderDB(0.9), 7.5, 1e-9);
    EXPECT_NEAR(faderDB(0.1), -45.714285714285715, 1e-9);
    EXPECT_EQ(faderDB(-0.2), -60);
    EXPECT_EQ(faderDB(1.3), 15);
}

TEST(FaderLawTest, NotANumberReadsAsTheTop) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(faderPosition(nan), 1.0);
    EXPECT_EQ(faderDB(nan), 15.0);
}
