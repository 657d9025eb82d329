// The cone, frame and cap sampling of glossy families, and the central direction choice.
#include "trace/direction_sampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "shading/sample_state.h"
#include "trace_scene.h"

using namespace orv;

namespace {

#define EXPECT_VEC_EQ(v, X, Y, Z)   \
    do {                            \
        const Float3 v_ = (v);      \
        EXPECT_FLOAT_EQ(v_.x, (X)); \
        EXPECT_FLOAT_EQ(v_.y, (Y)); \
        EXPECT_FLOAT_EQ(v_.z, (Z)); \
    } while (0)

TEST(ConeFromSpread, HalfAngleIsClampedSpreadTimesNinetyDegrees) {
    EXPECT_EQ(coneFromSpread(0.0f).cosMax, 1.0f);
    EXPECT_EQ(coneFromSpread(-3.0f).cosMax, 1.0f);
    EXPECT_EQ(coneFromSpread(0.1f).thetaMax, 0.15707964f);
    EXPECT_EQ(coneFromSpread(0.1f).cosMax, 0.98768836f);
    EXPECT_EQ(coneFromSpread(0.5f).thetaMax, 45.0f * 0.017453292f);
    EXPECT_EQ(coneFromSpread(0.5f).cosMax, 0.70710677f);
    EXPECT_EQ(coneFromSpread(1.0f).thetaMax, 1.5707964f);
    EXPECT_EQ(coneFromSpread(1.0f).cosMax, -4.371139e-8f);
    EXPECT_EQ(coneFromSpread(7.0f).cosMax, -4.371139e-8f);
}

TEST(Perpendicular, BuildsOnTheSmallestComponentWithEarlierAxesWinningTies) {
    Float3 p(9, 9, 9);
    ASSERT_TRUE(perpendicular(Float3(0, 0, 1), &p));
    EXPECT_VEC_EQ(p, 0.0f, 1.0f, 0.0f);
    EXPECT_TRUE(std::signbit(p.z)) << "(0, 1, -0)";
    ASSERT_TRUE(perpendicular(Float3(1, 0, 0), &p));
    EXPECT_VEC_EQ(p, 0.0f, 0.0f, -1.0f);
    ASSERT_TRUE(perpendicular(Float3(1, 1, 1), &p));
    EXPECT_VEC_EQ(p, 0.0f, 1.0f, -1.0f);
    ASSERT_TRUE(perpendicular(Float3(3, -2, 1), &p));  // z smallest: (a.y, -a.x, 0)
    EXPECT_VEC_EQ(p, -2.0f, -3.0f, 0.0f);
    ASSERT_TRUE(perpendicular(Float3(2, 1, -3), &p));  // y smallest: (a.z, 0, -a.x)
    EXPECT_VEC_EQ(p, -3.0f, 0.0f, -2.0f);
}

TEST(Perpendicular, FailsBelowATenThousandthAndLeavesTheOutputAlone) {
    Float3 p(7, 8, 9);
    EXPECT_FALSE(perpendicular(Float3(0.00003f, 0.00003f, 0.00003f), &p));
    EXPECT_FALSE(perpendicular(Float3(0, 0, 0), &p));
    EXPECT_VEC_EQ(p, 7.0f, 8.0f, 9.0f);
    EXPECT_TRUE(perpendicular(Float3(0.00005f, 0.00003f, 0.00003f), &p));
}

TEST(FrameAround, IsTheNormalisedPerpendicularAndItsCrossWithTheAxis) {
    Frame f = frameAround(Float3(0, 0, 1));
    EXPECT_VEC_EQ(f.t, 0.0f, 1.0f, 0.0f);
    EXPECT_VEC_EQ(f.b, 1.0f, 0.0f, 0.0f);
    f = frameAround(Float3(1, 0, 0));
    EXPECT_VEC_EQ(f.t, 0.0f, 0.0f, -1.0f);
    EXPECT_VEC_EQ(f.b, 0.0f, -1.0f, 0.0f);
    const Float3 d = normalized(Float3(1, 2, 3));
    f = frameAround(d);
    EXPECT_NEAR(dot(f.t, d), 0.0f, 1e-7f);
    EXPECT_NEAR(dot(f.b, d), 0.0f, 1e-7f);
    EXPECT_NEAR(dot(f.t, f.b), 0.0f, 1e-7f);
    EXPECT_NEAR(length(f.t), 1.0f, 1e-7f);
    EXPECT_NEAR(length(f.b), 1.0f, 1e-7f);
}

TEST(FrameAround, WithoutAPerpendicularCollapsesTheFamilyOntoTheAxis) {
    const Float3 d(0.00002f, 0, 0);
    const Frame f = frameAround(d);
    EXPECT_VEC_EQ(f.t, 0.0f, 0.0f, 0.0f);
    EXPECT_VEC_EQ(f.b, 0.0f, 0.0f, 0.0f);
    const Float3 dir = familyDirection(f, d, sampleCone(0.3f, 0.7f, 0.0f));
    EXPECT_VEC_EQ(dir, 0.00002f * 0.3f, 0.0f, 0.0f);
    const Frame zero = frameAround(Float3(0, 0, 0));
    const Float3 none = familyDirection(zero, Float3(0, 0, 0), sampleCone(0.5f, 0.5f, 0.5f));
    EXPECT_VEC_EQ(none, 0.0f, 0.0f, 0.0f);
}

TEST(SampleCone, MapsTheUnitSquareOntoTheCap) {
    EXPECT_VEC_EQ(sampleCone(0, 0, 0.70710677f), 0.70710677f, 0.0f, 0.70710677f);
    const Float3 v = sampleCone(0.5f, 0.25f, 0.0f);
    EXPECT_NEAR(v.x, 0.0f, 1e-7f);
    EXPECT_FLOAT_EQ(v.y, 0.8660254f);
    EXPECT_FLOAT_EQ(v.z, 0.5f);
    EXPECT_VEC_EQ(sampleCone(0.9f, 0.3f, 1.0f), 0.0f, 0.0f, 1.0f);
    // The square root and trigonometry are taken in double precision.
    const float c = 0.2f + (1.0f - 0.2f) * 0.37f;
    const double s = std::sqrt(1.0 - static_cast<double>(c) * c);
    const double phi = static_cast<double>(0.81f * 6.2831855f);
    const Float3 w = sampleCone(0.37f, 0.81f, 0.2f);
    EXPECT_EQ(w.x, static_cast<float>(s * std::cos(phi)));
    EXPECT_EQ(w.y, static_cast<float>(s * std::sin(phi)));
    EXPECT_EQ(w.z, c);
}

TEST(SampleCone, OwnTrigonometryMatchesTheLibrarysToTheBitOfTheDirection) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), wide(-30.0f, 30.0f);
    for (int i = 0; i < 20000; ++i) {
        const double x = wide(random);
        const SinCos sc = sinCos(x);
        ASSERT_NEAR(sc.sin, std::sin(x), 3e-16) << x;
        ASSERT_NEAR(sc.cos, std::cos(x), 3e-16) << x;
        const float u0 = unit(random), u1 = unit(random), cosMax = unit(random) * 2 - 1;
        const float c = cosMax + (1.0f - cosMax) * u0;
        const double s = std::sqrt(1.0 - static_cast<double>(c) * c);
        const double phi = static_cast<double>(u1 * 6.2831855f);
        const Float3 w = sampleCone(u0, u1, cosMax);
        ASSERT_EQ(w.x, static_cast<float>(s * std::cos(phi))) << u0 << " " << u1;
        ASSERT_EQ(w.y, static_cast<float>(s * std::sin(phi))) << u0 << " " << u1;
    }
    EXPECT_EQ(sinCos(1e6).sin, std::sin(1e6));  // beyond the reduction: the library's
}

TEST(SampleCone, NumbersOutsideTheUnitIntervalStillGiveFiniteDirections) {
    const Float3 v = sampleCone(1.5f, -2.0f, 0.0f);
    EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
}

TEST(FamilyDirection, IsTheLocalDirectionInTheFrame) {
    const Frame f{Float3(0, 1, 0), Float3(1, 0, 0)};
    EXPECT_VEC_EQ(familyDirection(f, Float3(0, 0, 1), Float3(0.5f, 0.25f, 2)), 0.25f, 0.5f, 2.0f);
    EXPECT_VEC_EQ(familyDirection(f, Float3(0, 0, 2), Float3(0, 0, 1)), 0.0f, 0.0f, 2.0f);
}

/// Chi-square of directions over 8 equal-area bands in cos(angle) x 8 sectors in azimuth.
template <typename Direction>
double capChiSquare(const Float3& d, float cosMax, int n, Direction next) {
    const Frame f = frameAround(d);
    constexpr int kBands = 8, kSectors = 8;
    std::vector<int> counts(kBands * kSectors, 0);
    for (int i = 0; i < n; ++i) {
        const Float3 v = normalized(next());
        const double z = dot(v, d);
        const double phi = std::atan2(dot(v, f.b), dot(v, f.t)) + M_PI;
        int band = static_cast<int>((1.0 - z) / (1.0 - cosMax) * kBands);
        int sector = static_cast<int>(phi / (2 * M_PI) * kSectors);
        band = std::clamp(band, 0, kBands - 1);
        sector = std::clamp(sector, 0, kSectors - 1);
        ++counts[band * kSectors + sector];
    }
    const double expected = static_cast<double>(n) / counts.size();
    double chi = 0;
    for (int c : counts) chi += (c - expected) * (c - expected) / expected;
    return chi;
}

TEST(FamilyDirection, IsUniformOverTheCapForUniformNumbers) {
    std::mt19937 random(20240601u);
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    const Float3 d = normalized(Float3(1, -2, 3));
    for (float spread : {0.1f, 0.5f, 1.0f}) {
        const Cone cone = coneFromSpread(spread);
        const Frame f = frameAround(d);
        const double chi = capChiSquare(d, cone.cosMax, 64000, [&] {
            const float u0 = uniform(random), u1 = uniform(random);
            return familyDirection(f, d, sampleCone(u0, u1, cone.cosMax));
        });
        // 63 degrees of freedom: exceeded by chance once in a thousand runs at 103.4.
        EXPECT_LT(chi, 103.4) << spread;
        // Every direction lies inside the cap.
        for (int i = 0; i < 1000; ++i) {
            const Float3 v =
                familyDirection(f, d, sampleCone(uniform(random), uniform(random), cone.cosMax));
            EXPECT_GE(dot(v, d), cone.cosMax - 1e-6f);
            EXPECT_NEAR(length(v), 1.0f, 1e-5f);
        }
    }
}

TEST(FamilyDirection, GlossyFamilyThroughTheHostIsUniformOverTheCap) {
    // Traced rays from the centre of a big sphere are shaded with their own direction.
    test::TraceScene scene;
    scene.shader("grey", RGB{0.5f, 0.5f, 0.5f});
    scene.sphere("sky", {0, 0, 0}, 100.0f, "grey");
    scene.build();
    scene.net.add("orv_trace", "tr");
    const Float3 d = normalized(Float3(-1, 2, 2));
    scene.net.set("tr.rayType", 1).set("tr.glossy", true).set("tr.samples", 64000);
    scene.net.set("tr.spread", 0.5f).set("tr.direction", 3).set("tr.customDirection", d.toVector());
    std::vector<Vector> directions;
    test::lastShaded().directionLog = &directions;
    scene.color("tr", test::TraceScene::sampleAt({0, 0, 0}, {0, 0, -1}));
    test::lastShaded().directionLog = nullptr;
    ASSERT_EQ(directions.size(), 64000u);
    const Cone cone = coneFromSpread(0.5f);
    size_t i = 0;
    const double chi = capChiSquare(d, cone.cosMax, 64000, [&] { return Float3(directions[i++]); });
    EXPECT_LT(chi, 103.4);
    // Moments of the cap: the mean cosine about the axis is (1 + cosMax) / 2.
    double meanZ = 0;
    for (const Vector& v : directions) meanZ += dot(Float3(v), d);
    meanZ /= directions.size();
    EXPECT_NEAR(meanZ, (1.0 + cone.cosMax) / 2.0, 1e-3);
}

TEST(ChooseDirection, CustomDirectionIsNormalisedAndZeroStaysZero) {
    ShaderGlobals sg = host::blankShaderGlobals();
    EXPECT_VEC_EQ(chooseDirection(&sg, 3, 0, 1.0f, Float3(0, 0, 5)), 0.0f, 0.0f, 1.0f);
    EXPECT_VEC_EQ(chooseDirection(&sg, 3, 0, 1.0f, Float3(0, 0, 0)), 0.0f, 0.0f, 0.0f);
}

TEST(ChooseDirection, IncomingMirrorAndRefraction) {
    ShaderGlobals sg = host::blankShaderGlobals();
    sg.rayDirection = Vector{0.6f, 0, -0.8f};
    sg.normal = sg.geometricNormal = Vector{0, 0, 1};
    sg.alternateNormal = Vector{1, 0, 0};
    EXPECT_VEC_EQ(chooseDirection(&sg, 0, 0, 1.0f, Float3(1, 1, 1)), 0.6f, 0.0f, -0.8f);
    EXPECT_VEC_EQ(chooseDirection(&sg, 5, 0, 1.0f, Float3(1, 1, 1)), 0.6f, 0.0f, -0.8f);
    EXPECT_VEC_EQ(chooseDirection(&sg, -1, 1, 1.0f, Float3(1, 1, 1)), 0.6f, 0.0f, -0.8f);
    for (int rayType : {0, 1, 2})
        EXPECT_VEC_EQ(chooseDirection(&sg, 1, rayType, 1.0f, Float3(0, 0, 0)), 0.6f, 0.0f, 0.8f);
    // The environment ray type mirrors about the alternate normal, here +X.
    EXPECT_VEC_EQ(chooseDirection(&sg, 1, 3, 1.0f, Float3(0, 0, 0)), -0.6f, 0.0f, -0.8f);
    // Into glass of index 1.5: sin 0.6 becomes 0.4.
    const Float3 t = chooseDirection(&sg, 2, 0, 1.5f, Float3(0, 0, 0));
    EXPECT_NEAR(t.x, 0.4f, 1e-6f);
    EXPECT_NEAR(t.z, -std::sqrt(1.0f - 0.16f), 1e-6f);
}

}  // namespace
