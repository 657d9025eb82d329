#include "plugin/float3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace orv;

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
}

TEST(Float3, NormalizeGivesUnitLengthWhenTheSquaredLengthLeavesFloat) {
    // Squared lengths that overflow float, underflow it, or fall among its subnormals.
    const float big = std::numeric_limits<float>::max();
    const float least = std::numeric_limits<float>::denorm_min();
    const struct {
        Float3 in;
        Float3 unit;
    } cases[] = {
        {{1e20f, 0, 0}, {1, 0, 0}},
        {{1e-24f, 0, 0}, {1, 0, 0}},
        {{-3e25f, 4e25f, 0}, {-0.6f, 0.8f, 0}},
        {{3e-30f, 0, -4e-30f}, {0.6f, 0, -0.8f}},
        {{0, 3e-21f, 4e-21f}, {0, 0.6f, 0.8f}},
        {{least, 0, 0}, {1, 0, 0}},
        {{big, -big, big}, {0.57735027f, -0.57735027f, 0.57735027f}},
    };
    for (const auto& c : cases) {
        Float3 v = c.in;
        EXPECT_TRUE(normalize(v)) << c.in.x << " " << c.in.y << " " << c.in.z;
        expectFloat3(v, c.unit.x, c.unit.y, c.unit.z);
        expectFloat3(normalized(c.in), c.unit.x, c.unit.y, c.unit.z);
    }
    // Ordinary vectors keep the float arithmetic bit for bit (rendered images depend on it):
    // each component times the float reciprocal of the float length. For this vector, the
    // length in double would round x differently.
    Float3 v(0.1f, 1.11f, 0.5f);
    const float r = 1.0f / std::sqrt(0.1f * 0.1f + 1.11f * 1.11f + 0.5f * 0.5f);
    normalize(v);
    EXPECT_EQ(v.x, 0.1f * r);
    EXPECT_EQ(v.y, 1.11f * r);
    // Zero stays zero (and -0 keeps its sign), non-finite vectors are not rescued.
    Float3 zero(0, -0.0f, 0);
    EXPECT_FALSE(normalize(zero));
    EXPECT_TRUE(std::signbit(zero.y));
    expectFloat3(normalized(Float3(0, 0, 0)), 0, 0, 0);
    Float3 inf(std::numeric_limits<float>::infinity(), 1, 0);
    normalize(inf);
    EXPECT_TRUE(std::isnan(inf.x));
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
