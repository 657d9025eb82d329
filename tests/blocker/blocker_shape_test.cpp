// Placed blocker shapes: inside tests, surface distances and the placement order.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "blocker/blocker_shape.h"

using namespace orv;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

BlockerShape placed(int kind, Float3 scale = {1, 1, 1}, Float3 rotation = {0, 0, 0},
                    Float3 translation = {0, 0, 0}) {
    BlockerShape shape;
    shape.build(kind, scale, rotation, translation);
    return shape;
}

Float3 toWorld(const BlockerShape& shape, Float3 local) {
    const Vector in = local.toVector();
    Vector out;
    AiM4PointByMatrixMult(&out, &shape.forward, &in);
    return Float3(out);
}

void expectNear(Float3 v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

float above(float v) {
    return std::nextafter(v, kInf);
}

TEST(BlockerShape, BoundaryPointsAreInside) {
    const BlockerShape card = placed(kBlockerCard), sphere = placed(kBlockerSphere),
                       box = placed(kBlockerBox), cylinder = placed(kBlockerCylinder);
    EXPECT_TRUE(card.contains({0.5f, 0.001f, -0.5f}));
    EXPECT_FALSE(card.contains({above(0.5f), 0, 0}));
    EXPECT_FALSE(card.contains({0, 0, -above(0.5f)}));

    EXPECT_TRUE(sphere.contains({1, 0, 0}));
    EXPECT_TRUE(sphere.contains({0, -1, 0}));
    EXPECT_FALSE(sphere.contains({0, 0, above(1.0f)}));

    EXPECT_TRUE(box.contains({0.5f, -0.5f, 0.5f}));
    EXPECT_TRUE(box.contains({0, 0.5f, 0}));
    EXPECT_FALSE(box.contains({0, above(0.5f), 0}));

    EXPECT_TRUE(cylinder.contains({1, 1, 0}));   // on the rim
    EXPECT_TRUE(cylinder.contains({0, -1, 1}));  // rim, other side
    EXPECT_FALSE(cylinder.contains({0, above(1.0f), 0}));
    EXPECT_FALSE(cylinder.contains({above(1.0f), 0, 0}));
    EXPECT_TRUE(cylinder.contains({0.7f, 0.99f, 0.7f}));
}

TEST(BlockerShape, CardIsTwoThousandthsThick) {
    const BlockerShape card = placed(kBlockerCard);
    for (float x : {0.0f, 0.3f, -0.5f})
        for (float z : {0.0f, 0.49f}) {
            EXPECT_FALSE(card.contains({x, 0.0011f, z}));
            EXPECT_FALSE(card.contains({x, -0.0011f, z}));
            EXPECT_TRUE(card.contains({x, 0.0009f, z}));
            EXPECT_TRUE(card.contains({x, -0.001f, z}));
        }
}

TEST(BlockerShape, KindOutsideTheTableIsAllOfSpace) {
    for (int kind : {kBlockerShapeCount, 7, -1}) {
        const BlockerShape shape = placed(kind, {0, 0, 0});
        EXPECT_TRUE(shape.contains({0, 0, 0}));
        EXPECT_TRUE(shape.contains({1e30f, -5, 3}));
        EXPECT_TRUE(shape.contains({kNaN, kInf, 0}));
    }
}

TEST(BlockerShape, PlacementThatCannotBeInvertedContainsNothing) {
    const Float3 one(1, 1, 1), zero(0, 0, 0);
    struct Placement {
        Float3 scale, rotation, translation;
    };
    const Placement degenerate[] = {
        {{0, 1, 1}, zero, zero},      {{1, 1, 0}, zero, zero},    {{0, 0, 0}, zero, zero},
        {{kNaN, 1, 1}, zero, zero},   {{kInf, 1, 1}, zero, zero}, {one, {kNaN, 0, 0}, zero},
        {one, {0, kInf, 0}, zero},    {one, zero, {0, kNaN, 0}},  {one, zero, {kInf, 0, 0}},
        {{1e-39f, 1, 1}, zero, zero},
    };
    for (int kind = kBlockerCard; kind <= kBlockerCylinder; ++kind)
        for (const Placement& p : degenerate) {
            const BlockerShape shape = placed(kind, p.scale, p.rotation, p.translation);
            for (Float3 point : {Float3(0, 0, 0), Float3(0.1f, 0, 0), Float3(5, 5, 5)}) {
                EXPECT_FALSE(shape.contains(point)) << kind;
                EXPECT_EQ(shape.surfaceDistance(point), 0.0f) << kind;
            }
        }
}

TEST(BlockerShape, NonFinitePointIsOutsideEveryShape) {
    for (int kind = kBlockerCard; kind <= kBlockerCylinder; ++kind) {
        const BlockerShape shape = placed(kind);
        EXPECT_FALSE(shape.contains({kNaN, 0, 0}));
        EXPECT_FALSE(shape.contains({0, 0, kInf}));
    }
}

TEST(BlockerShape, SphereSurfaceDistanceFollowsItsScale) {
    const BlockerShape even = placed(kBlockerSphere, {2, 2, 2});
    for (Float3 p : {Float3(3, 0, 0), Float3(0, -0.5f, 0), Float3(1, 1, 1), Float3(-2, 0.3f, 7)})
        EXPECT_NEAR(even.surfaceDistance(p), 2.0f, 1e-5f);
    const BlockerShape stretched = placed(kBlockerSphere, {2, 1, 1});
    EXPECT_NEAR(stretched.surfaceDistance({5, 0, 0}), 2.0f, 1e-6f);
    EXPECT_NEAR(stretched.surfaceDistance({0, 0.2f, 0}), 1.0f, 1e-6f);
}

TEST(BlockerShape, BoxSurfaceDistanceMeetsTheFaceAlongTheLine) {
    const BlockerShape box = placed(kBlockerBox);
    EXPECT_NEAR(box.surfaceDistance({3, 0, 0}), 0.5f, 1e-6f);
    EXPECT_NEAR(box.surfaceDistance({-0.1f, 0, 0}), 0.5f, 1e-6f);
    EXPECT_NEAR(box.surfaceDistance({2, 1, 0}), 0.5590170f, 1e-6f);
    EXPECT_NEAR(box.surfaceDistance({1, 1, 1}), std::sqrt(0.75f), 1e-6f);
}

TEST(BlockerShape, CylinderSurfaceDistanceReachesCapSideAndRim) {
    const BlockerShape cylinder = placed(kBlockerCylinder);
    EXPECT_NEAR(cylinder.surfaceDistance({0, 4, 0}), 1.0f, 1e-6f);
    EXPECT_NEAR(cylinder.surfaceDistance({0, -4, 0}), 1.0f, 1e-6f);
    EXPECT_NEAR(cylinder.surfaceDistance({4, 0, 0}), 1.0f, 1e-6f);
    EXPECT_NEAR(cylinder.surfaceDistance({1, 1, 0}), std::sqrt(2.0f), 1e-5f);
    EXPECT_NEAR(cylinder.surfaceDistance({2, 1, 0}), std::sqrt(1.25f), 1e-5f);  // side
    EXPECT_NEAR(cylinder.surfaceDistance({1, 2, 0}), std::sqrt(1.25f), 1e-5f);  // cap
}

TEST(BlockerShape, CardEdgeIsFoundInItsOwnPlane) {
    const BlockerShape inner = placed(kBlockerCard), outer = placed(kBlockerCard, {2, 2, 2});
    const Float3 p(0.8f, 0.0015f, 0);
    EXPECT_FALSE(inner.contains(p));
    EXPECT_TRUE(outer.contains(p));
    EXPECT_NEAR(inner.surfaceDistance(p), 0.5f, 1e-6f);
    EXPECT_NEAR(outer.surfaceDistance(p), 1.0f, 1e-6f);
    // Towards a corner of the card, however far out of its plane.
    EXPECT_NEAR(inner.surfaceDistance({1, 3, 1}), std::sqrt(0.5f), 1e-6f);
}

TEST(BlockerShape, CardStraightAboveItsCentreMeasuresToAnEdge) {
    const BlockerShape card = placed(kBlockerCard, {2, 2, 2});
    EXPECT_NEAR(card.surfaceDistance({0, 0.003f, 0}), 1.0f, 1e-6f);
    // An XZ offset whose square underflows leaves a direction too short to normalise.
    EXPECT_NEAR(card.surfaceDistance({1e-40f, 0.003f, 0}), 1.0f, 1e-6f);
    EXPECT_NEAR(card.surfaceDistance({0, -0.003f, 1e-30f}), 1.0f, 1e-6f);
}

TEST(BlockerShape, BoxHitLandsOnTheSurfaceTowardEdgesAndCorners) {
    for (int sx : {-1, 1})
        for (int sy : {-1, 1})
            for (int sz : {-1, 0, 1})
                for (float k : {1.0f, 3.0f, 0.1f, 7.0f}) {
                    Float3 d(sx * k, sy * k, sz * k);
                    normalize(d);
                    for (Float3 dir : {d, Float3(d.z, d.x, d.y), Float3(d.y, d.z, d.x)}) {
                        const Float3 h = boxHit(dir);
                        const float largest =
                            std::fmax(std::fabs(h.x), std::fmax(std::fabs(h.y), std::fabs(h.z)));
                        EXPECT_NEAR(largest, 0.5f, 1e-6f);
                        EXPECT_LE(largest, 0.5f);
                        const Float3 c = cross(h, dir);
                        EXPECT_NEAR(length(c), 0.0f, 1e-6f);
                    }
                }
}

TEST(BlockerShape, BoxHitFallsBackWhenNoFaceAccepts) {
    const Float3 tiny(1e-40f, -5e-41f, 0);  // 0.5 / 1e-40 overflows in single precision
    expectNear(boxHit(tiny), 0.5f, -0.25f, 0, 1e-4f);
    expectNear(boxHit({0, 0, 0}), 0.5f, 0, 0, 0);
    expectNear(boxHit({kNaN, 0, 0}), 0.5f, 0, 0, 0);
}

TEST(BlockerShape, CylinderHitWithoutADirectionIsOnTheSide) {
    expectNear(cylinderHit({0, 0, 0}), 1, 0, 0, 0);
    expectNear(cylinderHit({0, 1, 0}), 0, -1, 0, 0);  // the bottom cap, through the origin
}

TEST(BlockerShape, PlacementScalesThenTurnsAboutXYZThenMoves) {
    // Each rotation by 90 degrees: X turns Y onto Z, Y turns Z onto X, Z turns X onto Y.
    const BlockerShape xy = placed(kBlockerBox, {2, 1, 1}, {90, 90, 0}, {10, 20, 30});
    expectNear(toWorld(xy, {1, 0, 0}), 10, 20, 28);  // scaled to 2, then Y takes X to -Z
    expectNear(toWorld(xy, {0, 1, 0}), 11, 20, 30);  // X takes Y to Z, then Y takes Z to X
    const BlockerShape yz = placed(kBlockerBox, {1, 1, 1}, {0, 90, 90}, {10, 20, 30});
    expectNear(toWorld(yz, {0, 0, 1}), 10, 21, 30);  // Y takes Z to X, then Z takes X to Y
    expectNear(yz.centre, 10, 20, 30);

    // The inverse undoes it: the box's far face is 1 along world -Z from the centre.
    EXPECT_TRUE(xy.contains({10, 20, 29.01f}));
    EXPECT_FALSE(xy.contains({10, 20, 28.99f}));
    EXPECT_TRUE(xy.contains({10.49f, 20.49f, 30}));
    EXPECT_FALSE(xy.contains({10.51f, 20, 30}));
    EXPECT_FALSE(xy.contains({10, 20.51f, 30}));
    EXPECT_NEAR(xy.surfaceDistance({10, 20, 25}), 1.0f, 1e-5f);
    EXPECT_NEAR(xy.surfaceDistance({12, 20, 30}), 0.5f, 1e-5f);
}

}  // namespace
