// The ramps between a blocker's inner and outer surfaces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "blocker/falloff.h"

using namespace orv;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(Falloff, BothRampsRunFromZeroAtInnerToOneAtOuter) {
    for (bool smooth : {false, true}) {
        EXPECT_EQ(falloff(1.0f, 3.0f, 1.0f, smooth, 1.0f), 0.0f) << smooth;
        EXPECT_EQ(falloff(1.0f, 3.0f, 3.0f, smooth, 1.0f), 1.0f) << smooth;
        EXPECT_FLOAT_EQ(falloff(1.0f, 3.0f, 2.0f, smooth, 1.0f), 0.5f) << smooth;
        EXPECT_EQ(falloff(1.0f, 3.0f, 0.5f, smooth, 1.0f), 0.0f) << smooth;
        EXPECT_EQ(falloff(1.0f, 3.0f, 4.0f, smooth, 1.0f), 1.0f) << smooth;
    }
}

TEST(Falloff, SmoothRampIsAnSCurveRaisedToItsExponent) {
    // A quarter of the way: linear 0.25, smoothstep 0.15625.
    EXPECT_FLOAT_EQ(falloff(0.0f, 4.0f, 1.0f, false, 7.0f), 0.25f);
    EXPECT_FLOAT_EQ(falloff(0.0f, 4.0f, 1.0f, true, 1.0f), 0.15625f);
    EXPECT_FLOAT_EQ(falloff(0.0f, 4.0f, 1.0f, true, 0.5f), std::sqrt(0.15625f));
    EXPECT_FLOAT_EQ(smoothRamp(1.0f, 2.0f, 1.5f, 0.5f), std::sqrt(0.5f));
    EXPECT_FLOAT_EQ(falloff(0.0f, 4.0f, 1.0f, true, 1.0f / 3.0f), std::cbrt(0.15625f));
}

TEST(Falloff, CoincidingSurfacesGiveZeroNotNaN) {
    EXPECT_EQ(linearRamp(2.0f, 2.0f, 2.0f), 0.0f);
    EXPECT_EQ(smoothRamp(2.0f, 2.0f, 2.0f, 1.0f), 0.0f);
    EXPECT_EQ(smoothRamp(2.0f, 2.0f, 2.0f, 0.5f), 0.0f);
    EXPECT_EQ(smoothRamp(0.0f, 0.0f, 0.0f, 0.5f), 0.0f);
}

TEST(Falloff, InfiniteDistancesStayInRange) {
    for (bool smooth : {false, true}) {
        EXPECT_EQ(falloff(1.0f, kInf, kInf, smooth, 0.5f), 1.0f) << smooth;
        EXPECT_EQ(falloff(1.0f, kInf, 5.0f, smooth, 0.5f), 0.0f) << smooth;
        EXPECT_EQ(falloff(kInf, kInf, kInf, smooth, 0.5f), 0.0f) << smooth;
        EXPECT_EQ(falloff(kInf, kInf, 5.0f, smooth, 0.5f), 0.0f) << smooth;
    }
}

}  // namespace
