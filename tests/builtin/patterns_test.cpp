// The maths of the host's own pattern nodes, apart from their node plumbing.
#include <gtest/gtest.h>

#include <cmath>

#include "builtin/checker_pattern.h"
#include "builtin/sky_gradient.h"

namespace {

TEST(CheckerPattern, AlternatesAcrossEveryAxis) {
    EXPECT_EQ(host::checkerCell({0.5f, 0.5f, 0.5f}, 1), 0);
    EXPECT_EQ(host::checkerCell({1.5f, 0.5f, 0.5f}, 1), 1);
    EXPECT_EQ(host::checkerCell({0.5f, 1.5f, 0.5f}, 1), 1);
    EXPECT_EQ(host::checkerCell({0.5f, 0.5f, -0.5f}, 1), 1);
    EXPECT_EQ(host::checkerCell({1.5f, 1.5f, 0.5f}, 1), 0);
    EXPECT_EQ(host::checkerCell({0.25f, 0.25f, 0.25f}, 4), 1);  // frequency scales the cells
}

TEST(CheckerPattern, WholeCoordinatePlanesDoNotFlicker) {
    // A floor at y = 0 hit a hair above or below must fall in one layer of cells.
    for (float y : {0.0f, 1e-6f, -1e-6f, -1e-5f})
        EXPECT_EQ(host::checkerCell({0.5f, y, 0.5f}, 1), 0) << y;
    for (float y : {-1.0f, -1.0f + 1e-6f, -1.0f - 1e-6f})
        EXPECT_EQ(host::checkerCell({0.5f, y, 0.5f}, 1), 1) << y;
}

TEST(CheckerPattern, NonFiniteInputGivesTheFirstColour) {
    EXPECT_EQ(host::checkerCell({NAN, 0, 0}, 1), 0);
    EXPECT_EQ(host::checkerCell({1.5f, 0, 0}, INFINITY), 0);
}

TEST(SkyGradient, BlendsHorizonToPoles) {
    const RGB h{1, 1, 1}, z{0, 0, 1}, n{1, 0, 0};
    const RGB up = host::skyGradient({0, 2, 0}, {0, 1, 0}, h, z, n);
    EXPECT_FLOAT_EQ(up.r, 0);
    EXPECT_FLOAT_EQ(up.b, 1);
    const RGB down = host::skyGradient({0, -1, 0}, {0, 1, 0}, h, z, n);
    EXPECT_FLOAT_EQ(down.r, 1);
    EXPECT_FLOAT_EQ(down.g, 0);
    const RGB side = host::skyGradient({1, 1, 0}, {0, 1, 0}, h, z, n);
    EXPECT_NEAR(side.r, 1 - std::sqrt(0.5f), 1e-6);
    const RGB degenerate = host::skyGradient({0, 0, 0}, {0, 1, 0}, h, z, n);
    EXPECT_FLOAT_EQ(degenerate.g, 1);
    const RGB nan = host::skyGradient({NAN, 0, 0}, {0, 1, 0}, h, z, n);
    EXPECT_FLOAT_EQ(nan.r, 1);
    EXPECT_FLOAT_EQ(nan.b, 1);
}

}  // namespace
