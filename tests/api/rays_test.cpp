// The host's rays: making them off their surface, tracing, probing, depth, background, and
// the reflection and refraction directions.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "api/ray_directions.h"
#include "geometry/geometry_scene.h"
#include "geometry/object_types.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "support/network.h"
#include "support/test_nodes.h"
#include "tracing/ray_making.h"
#include "tracing/world.h"

namespace {

float dot3(const Vector& a, const Vector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float len3(const Vector& a) {
    return std::sqrt(dot3(a, a));
}

TEST(MakeRay, DirectionsOfAnyLengthComeOutUnitAndOriginsLeaveTowardsThem) {
    ShaderGlobals sg = host::blankShaderGlobals();
    int object = 0;
    sg.object = reinterpret_cast<Node*>(&object);  // only tested for presence
    sg.geometricNormal = Vector{0, 0, 2};          // not unit: the offset is along the unit one
    const Vector o{0, 0, 1000};
    // Squares that leave the float range either way, a unit direction, and ordinary ones.
    for (Vector d : {Vector{3, 4, 0}, Vector{0, 0, 1}, Vector{1e-30f, 0, -2e-30f},
                     Vector{3e25f, 0, -4e25f}, Vector{0.6f, 0, 0.8f}, Vector{2e-45f, 0, 0}}) {
        Ray ray;
        AiMakeRay(&ray, kRayReflected, &o, &d, 1e12, &sg);
        EXPECT_NEAR(len3(ray.direction), 1.0f, 1e-6f) << d.x;
        EXPECT_GT(ray.direction.x * d.x + ray.direction.z * d.z, 0.0f) << d.x;
        // 1e-4 x the largest coordinate, to the side the ray heads for.
        EXPECT_NEAR(ray.origin.z, d.z < 0 ? 999.9f : 1000.1f, 1e-4f) << d.x;
    }
    const Vector zero{0, 0, 0};
    Ray ray;
    AiMakeRay(&ray, kRayReflected, &o, &zero, 1e12, &sg);
    EXPECT_EQ(len3(ray.direction), 0.0f);
}

// A direction near unit length is kept as it is, or scaled by a series, only where that gives
// the bits of the square root and division: sampler scrambles follow the hit points, so one
// changed bit moves a glossy pixel's noise.
TEST(MakeRay, NearlyUnitDirectionsKeepTheBitsThatScalingWouldGive) {
    std::mt19937 random(5);
    std::normal_distribution<float> gauss;
    std::uniform_int_distribution<int> ulps(-6, 6);
    for (int i = 0; i < 100000; ++i) {
        const Vector v{gauss(random), gauss(random), gauss(random)};
        const float l = len3(v);
        const Vector unit{v.x / l, v.y / l, v.z / l};  // unit within float rounding
        // Also a few float ulps off, as a sum of products of unit vectors may be.
        const float k = 1.0f + ulps(random) * 0x1p-23f;
        for (const Vector& d : {unit, Vector{unit.x * k, unit.y * k, unit.z * k}}) {
            const double squared = double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z;
            const double r = 1.0 / std::sqrt(squared);
            const Vector u = host::unitDirection(d);
            ASSERT_EQ(u.x, float(d.x * r)) << i;
            ASSERT_EQ(u.y, float(d.y * r)) << i;
            ASSERT_EQ(u.z, float(d.z * r)) << i;
        }
    }
}

TEST(Reflect, MirrorsAboutTheUnitNormal) {
    Vector out;
    const Vector in{1, -1, 0}, n{0, 3, 0};
    AiReflect(&in, &n, &out);
    EXPECT_FLOAT_EQ(out.x, 1.0f);
    EXPECT_FLOAT_EQ(out.y, 1.0f);
    EXPECT_FLOAT_EQ(out.z, 0.0f);
    Vector same = in;
    AiReflect(&same, &n, &same);  // in place
    EXPECT_FLOAT_EQ(same.y, 1.0f);
    const Vector zero{0, 0, 0};
    AiReflect(&in, &zero, &out);
    EXPECT_FLOAT_EQ(out.y, -1.0f) << "no normal, no mirror";
}

TEST(ReflectSafe, NeverPointsBelowTheGeometricSurfaceOnTheIncomingSide) {
    const Vector ng{0, 0, 1};
    // A shading normal bent far from the surface sends the plain mirror under it.
    const Vector n{0.8f, 0, 0.6f};
    const Vector in{0.8f, 0, -0.6f};
    Vector plain, safe;
    AiReflect(&in, &n, &plain);
    ASSERT_LT(dot3(plain, ng), 0.0f);
    AiReflectSafe(&in, &n, &ng, &safe);
    EXPECT_GT(dot3(safe, ng) / len3(safe), 0.9e-4f);
    EXPECT_NEAR(len3(safe), 1.0f, 1e-6f);
    // From the back of the surface, "above" is the back side.
    const Vector back{0.8f, 0, 0.6f};
    const Vector nb{0.8f, 0, -0.6f};
    AiReflectSafe(&back, &nb, &ng, &safe);
    EXPECT_LT(dot3(safe, ng), 0.0f);
    // A mirror already above the surface is left as it is.
    const Vector ok{0.6f, 0, -0.8f};
    AiReflect(&ok, &ng, &plain);
    AiReflectSafe(&ok, &ng, &ng, &safe);
    EXPECT_FLOAT_EQ(safe.x, plain.x);
    EXPECT_FLOAT_EQ(safe.z, plain.z);
}

TEST(Refract, FollowsSnellsLawEnteringAndLeaving) {
    const Vector n{0, 0, 1};
    Vector out;
    const Vector straight{0, 0, -1};
    EXPECT_TRUE(AiRefract(&straight, &n, &out, 1.0f, 1.5f));
    EXPECT_NEAR(out.z, -1.0f, 1e-6f);
    // Entering (against the normal) from 1 into 1.5: sine 0.6 becomes 0.4.
    const Vector in{0.6f, 0, -0.8f};
    EXPECT_TRUE(AiRefract(&in, &n, &out, 1.0f, 1.5f));
    EXPECT_NEAR(out.x, 0.4f, 1e-6f);
    EXPECT_NEAR(out.z, -std::sqrt(1 - 0.16f), 1e-6f);
    // Leaving (along the normal) goes from 1.5 back into 1: sine 0.4 becomes 0.6.
    const Vector leaving{0.4f, 0, std::sqrt(1 - 0.16f)};
    EXPECT_TRUE(AiRefract(&leaving, &n, &out, 1.0f, 1.5f));
    EXPECT_NEAR(out.x, 0.6f, 1e-6f);
    EXPECT_NEAR(out.z, 0.8f, 1e-6f);
}

TEST(Refract, TotalInternalReflectionAnswersFalseWithTheMirror) {
    const Vector n{0, 0, 1};
    const Vector steep{0.8f, 0, 0.6f};  // sine 0.8 x 1.5 > 1
    Vector out;
    EXPECT_FALSE(AiRefract(&steep, &n, &out, 1.0f, 1.5f));
    EXPECT_NEAR(out.x, 0.8f, 1e-6f);
    EXPECT_NEAR(out.z, -0.6f, 1e-6f);
    // The same from outside does refract.
    const Vector outside{0.8f, 0, -0.6f};
    EXPECT_TRUE(AiRefract(&outside, &n, &out, 1.0f, 1.5f));
}

TEST(Refract, UnusableIndicesOrNormalsBendNothing) {
    const Vector in{0, 3, -4};
    const Vector n{0, 0, 1}, zero{0, 0, 0};
    for (float ior : {0.0f, -1.5f, NAN, INFINITY}) {
        Vector out;
        EXPECT_TRUE(AiRefract(&in, &n, &out, 1.0f, ior));
        EXPECT_NEAR(out.y, 0.6f, 1e-6f) << ior;
        EXPECT_NEAR(out.z, -0.8f, 1e-6f) << ior;
    }
    Vector out;
    EXPECT_TRUE(AiRefract(&in, &zero, &out, 1.0f, 1.5f));
    EXPECT_NEAR(out.z, -0.8f, 1e-6f);
}

/// A unit sphere at the origin shaded "test_constant", and a world around it.
class RaysTest : public ::testing::Test {
  protected:
    RaysTest() : net(false) {
        host::registerObjectTypes(net.universe().registry());
        test::registerTestNodes(net.universe());
        net.add("test_constant", "paint");
        net.set("paint.color", RGBA{0.3f, 0.6f, 0.9f, 1});
        net.add("sphere", "ball");
        net.setValue("ball.shader", host::ParamValue::makeNode(net.node("paint")));
        net.add("sphere", "bare");
        net.set("bare.translate", Vector{10, 0, 0});
        net.prepare();
        geometry = std::make_unique<host::GeometryScene>(net.universe());
        world.geometry = geometry.get();
        world.backgroundColor = RGB{0.05f, 0.1f, 0.15f};
    }
    /// A sample on the ball at `point` with outward normals, at `depth`.
    ShaderGlobals onBall(const Vector& point) {
        ShaderGlobals sg = host::blankShaderGlobals();
        sg.point = point;
        sg.normal = sg.geometricNormal = sg.alternateNormal = point;
        sg.object = net.node("ball");
        return sg;
    }

    test::Network net;
    std::unique_ptr<host::GeometryScene> geometry;
    host::World world;
    host::ThreadContext thread{0};
};

TEST_F(RaysTest, TraceShadesTheHitWithTheObjectsShaderOneLevelDeeper) {
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(thread, sg, &world, 0);
    const Vector o{0, 0, 5}, d{0, 0, -2};
    Ray ray;
    AiMakeRay(&ray, kRayRefracted, &o, &d, 1e12, &sg);
    EXPECT_FLOAT_EQ(len3(ray.direction), 1.0f);
    TraceResult result;
    ASSERT_TRUE(AiTrace(&ray, &result));
    EXPECT_FLOAT_EQ(result.color.g, 0.6f);
    EXPECT_FLOAT_EQ(result.alpha, 1.0f);
    EXPECT_NEAR(result.distance, 4.0, 1e-5);
    EXPECT_EQ(result.object, net.node("ball"));
    EXPECT_EQ(thread.raysTraced, 1u);
    EXPECT_EQ(thread.raysByType[3], 1u);
}

TEST_F(RaysTest, MissGivesTheBackgroundShaderLookingAlongTheRayElseItsColour) {
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(thread, sg, &world, 0);
    const Vector o{0, 0, 5}, d{0, 1, 0};
    Ray ray;
    AiMakeRay(&ray, kRayReflected, &o, &d, 1e12, &sg);
    TraceResult result;
    EXPECT_FALSE(AiTrace(&ray, &result));
    EXPECT_FLOAT_EQ(result.color.b, 0.15f);
    EXPECT_FLOAT_EQ(result.alpha, 0.0f);
    world.background = net.node("paint");
    EXPECT_FALSE(AiTrace(&ray, &result));
    EXPECT_FLOAT_EQ(result.color.b, 0.9f);
    // A ray stopped short of the ball misses too.
    const Vector down{0, 0, -1};
    AiMakeRay(&ray, kRayReflected, &o, &down, 3.5, &sg);
    EXPECT_FALSE(AiTrace(&ray, &result));
}

TEST_F(RaysTest, ObjectWithoutShaderIsBlackAndNoWorldMissesEverything) {
    ShaderGlobals sg = host::blankShaderGlobals();
    {
        host::SampleScope scope(thread, sg, &world, 0);
        const Vector o{10, 0, 5}, d{0, 0, -1};
        Ray ray;
        AiMakeRay(&ray, kRayReflected, &o, &d, 1e12, &sg);
        TraceResult result;
        EXPECT_TRUE(AiTrace(&ray, &result));
        EXPECT_EQ(result.object, net.node("bare"));
        EXPECT_FLOAT_EQ(result.color.r + result.color.g + result.color.b, 0.0f);
    }
    host::SampleScope scope(thread, sg, nullptr, 0);
    const Vector o{0, 0, 5}, d{0, 0, -1};
    Ray ray;
    AiMakeRay(&ray, kRayReflected, &o, &d, 1e12, &sg);
    TraceResult result;
    EXPECT_FALSE(AiTrace(&ray, &result));
    EXPECT_FALSE(AiTraceProbe(&ray, nullptr));
    EXPECT_FLOAT_EQ(result.color.r + result.color.g + result.color.b, 0.0f);
}

TEST_F(RaysTest, RayDepthLimitEndsRecursionWithBlack) {
    world.maxRayDepth = 2;
    world.background = net.node("paint");
    const Vector o{0, 0, 5}, d{0, 0, -1};
    for (int depth : {0, 1, 2, 3}) {
        ShaderGlobals sg = host::blankShaderGlobals();
        host::SampleScope scope(thread, sg, &world, depth);
        Ray ray;
        AiMakeRay(&ray, kRayReflected, &o, &d, 1e12, &sg);
        TraceResult result;
        const uint64_t before = thread.raysTraced;
        const bool hit = AiTrace(&ray, &result);
        EXPECT_EQ(hit, depth < 2) << depth;
        EXPECT_EQ(thread.raysTraced - before, depth < 2 ? 1u : 0u) << depth;
        if (depth >= 2) {
            EXPECT_FLOAT_EQ(result.color.r + result.color.g + result.color.b, 0.0f);
        }
    }
}

TEST_F(RaysTest, RaysLeavingTheSphereDoNotHitItEvenGrazing) {
    std::mt19937 random(7);
    std::normal_distribution<float> gauss;
    int escaped = 0, crossed = 0;
    for (int i = 0; i < 2000; ++i) {
        Vector p{gauss(random), gauss(random), gauss(random)};
        const float l = len3(p);
        p = Vector{p.x / l, p.y / l, p.z / l};
        // A tangent direction tilted outward by a little, from 1e-3 to 0.1 of a radian.
        Vector t{gauss(random), gauss(random), gauss(random)};
        const float along = dot3(t, p);
        t = Vector{t.x - along * p.x, t.y - along * p.y, t.z - along * p.z};
        const float tl = len3(t);
        const float tilt = 1e-3f + 0.1f * (i % 100) / 100.0f;
        const Vector out{t.x / tl + tilt * p.x, t.y / tl + tilt * p.y, t.z / tl + tilt * p.z};
        ShaderGlobals sg = onBall(p);
        host::SampleScope scope(thread, sg, &world, 0);
        // (The other sphere, ten radii away, may be in the way of a few.)
        Ray leaving;
        AiMakeRay(&leaving, kRayReflected, &sg.point, &out, 1e12, &sg);
        TraceResult away;
        if (!AiTrace(&leaving, &away) || away.object != net.node("ball")) ++escaped;
        // Inward, the ray crosses the ball and meets its far side, not its start.
        const Vector in{-p.x - 0.1f * t.x / tl, -p.y - 0.1f * t.y / tl, -p.z - 0.1f * t.z / tl};
        Ray ray;
        AiMakeRay(&ray, kRayRefracted, &sg.point, &in, 1e12, &sg);
        TraceResult result;
        if (AiTrace(&ray, &result) && result.distance > 1.5) ++crossed;
    }
    EXPECT_EQ(escaped, 2000);
    EXPECT_EQ(crossed, 2000);
}

TEST_F(RaysTest, NonFiniteOrZeroRaysMiss) {
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(thread, sg, &world, 0);
    const Vector good{0, 0, 5}, down{0, 0, -1};
    const Vector bad[] = {{NAN, 0, 5}, {0, INFINITY, 5}};
    const Vector badDirections[] = {{0, 0, 0}, {NAN, 0, -1}, {0, -INFINITY, -1}};
    TraceResult result;
    Ray ray;
    for (const Vector& o : bad) {
        AiMakeRay(&ray, kRayReflected, &o, &down, 1e12, &sg);
        EXPECT_FALSE(AiTrace(&ray, &result));
        EXPECT_FALSE(AiTraceProbe(&ray, nullptr));
    }
    for (const Vector& d : badDirections) {
        AiMakeRay(&ray, kRayReflected, &good, &d, 1e12, &sg);
        EXPECT_FALSE(AiTrace(&ray, &result));
        EXPECT_FALSE(AiTraceProbe(&ray, nullptr));
    }
    for (double distance : {0.0, -1.0, static_cast<double>(NAN)}) {
        AiMakeRay(&ray, kRayReflected, &good, &down, distance, &sg);
        EXPECT_FALSE(AiTraceProbe(&ray, nullptr));
    }
    EXPECT_FALSE(AiTrace(nullptr, &result));
    EXPECT_FALSE(AiTraceProbe(nullptr, nullptr));
}

}  // namespace
