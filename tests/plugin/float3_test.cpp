#include "plugin/float3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

void expectFloat3(const Float3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(Float3, NormalizeLeavesZeroVectorAndReportsIt) {
    Float3 zero(0, 0, 0);
    EXPECT_FALSE(normalize(zero));
    expectFloat3(zero, 0, 0, 0);
    Float3 v(3, 0, 4);
    EXPECT_TRUE(normalize(v));
    expectFloat3(v, 0.6f, 0, 0.8f);
    // A length that underflows to zero in float counts as zero, not as a division by zero.
    Float3 tiny(1e-30f, 0, 0);
    EXPECT_FALSE(normalize(tiny));
    EXPECT_EQ(tiny.x, 1e-30f);
}

TEST(Float3, LerpBlendsFromFirstToSecondBeyondTheUnitRange) {
    expectFloat3(lerp(Float3(2, 2, 2), Float3(4, 4, 4), 0.25f), 2.5f, 2.5f, 2.5f);
    expectFloat3(lerp(Float3(1, 2, 3), Float3(5, 6, 7), 0.0f), 1, 2, 3);
    expectFloat3(lerp(Float3(1, 2, 3), Float3(5, 6, 7), 1.0f), 5, 6, 7);
    expectFloat3(lerp(Float3(0, 0, 0), Float3(1, 2, 3), 2.0f), 2, 4, 6);
}

TEST(Float3, ClampTestsTheLowBoundFirst) {
    EXPECT_EQ(clamp(1.5f, 0, 1), 1.0f);
    EXPECT_EQ(clamp(-0.2f, 0, 1), 0.0f);
    EXPECT_EQ(clamp(0.3f, 0, 1), 0.3f);
    EXPECT_TRUE(std::isnan(clamp(std::numeric_limits<float>::quiet_NaN(), 0, 1)));
    // With lo above hi a value below lo gives lo, one above both gives hi.
    EXPECT_EQ(clamp(-5.0f, 2, 1), 2.0f);
    EXPECT_EQ(clamp(5.0f, 2, 1), 1.0f);
}

TEST(Float3, DistancesProductsAndConversions) {
    EXPECT_FLOAT_EQ(distance(Float3(1, 2, 3), Float3(4, 6, 3)), 5.0f);
    EXPECT_FLOAT_EQ(distanceSquared(Float3(1, 2, 3), Float3(4, 6, 3)), 25.0f);
    expectFloat3(mul(Float3(0.5f, 1, 2), Float3(2, 3, 0)), 1, 3, 0);
    expectFloat3(cross(Float3(1, 0, 0), Float3(0, 1, 0)), 0, 0, 1);
    expectFloat3(normalized(Float3(0, 0, 0)), 0, 0, 0);
    expectFloat3(normalized(Float3(0, 0, 5)), 0, 0, 1);
    Float3 a(1, 2, 3);
    a *= 2;
    expectFloat3(a, 2, 4, 6);
    expectFloat3(a - Float3(1, 1, 1), 1, 3, 5);
    const Vector v = a.toVector();
    const RGB c = a.toRGB();
    EXPECT_EQ(v.y, 4.0f);
    EXPECT_EQ(c.b, 6.0f);
    Float3 b;
    b.set(RGB{7, 8, 9});
    expectFloat3(b, 7, 8, 9);
    EXPECT_FLOAT_EQ(absf(-2.5f), 2.5f);
}

}  // namespace
