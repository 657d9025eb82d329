// BlockerField on its own: every set-up, however odd its values, gives a value in [0, 1].
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>

#include "blocker/falloff.h"

using namespace orv;

namespace {

// The direct form of the zone, as first written: each shape measured on its own, through two
// unit directions for the card and the box's six faces tried in turn.
namespace direct {

Float3 transform(void (*apply)(Vector*, const Matrix4*, const Vector*), const Matrix4& m,
                 const Float3& p) {
    const Vector in = p.toVector();
    Vector out;
    apply(&out, &m, &in);
    return Float3(out);
}

bool planeHit(const Float3& d, const Float3& p0, const Float3& n, Float3* hit) {
    const float den = dot(n, d);
    if (absf(den) == 0.0f) return false;
    *hit = d * (dot(p0, n) / den);
    return true;
}

Float3 boxHit(const Float3& d) {
    const Float3 corners[2] = {{-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}};
    const Float3 normals[6] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};
    for (int face = 0; face < 6; ++face) {
        Float3 h;
        if (!planeHit(d, corners[face / 3], normals[face], &h)) continue;
        const int axis = face % 3;
        if ((axis == 0 || absf(h.x) <= 0.5f) && (axis == 1 || absf(h.y) <= 0.5f) &&
            (axis == 2 || absf(h.z) <= 0.5f))
            return h;
    }
    return Float3(0.5f, 0, 0);  // not reached by the directions drawn here
}

Float3 cylinderHit(const Float3& d) {
    const Float3 points[2] = {{0, -1, 0}, {0, 1, 0}}, normals[2] = {{0, 1, 0}, {0, -1, 0}};
    for (int cap = 0; cap < 2; ++cap) {
        Float3 h;
        if (planeHit(d, points[cap], normals[cap], &h) && h.x * h.x + h.z * h.z < 1.0f) return h;
    }
    return d * (1.0f / std::sqrt(d.x * d.x + d.z * d.z));
}

float surfaceDistance(const BlockerShape& shape, const Float3& p) {
    Float3 d = transform(AiM4PointByMatrixMult, shape.inverse, p);
    normalize(d);
    Float3 h = d;
    if (shape.kind == kBlockerCard) {
        d.y = 0;
        normalize(d);
        h = direct::boxHit(d);
    } else if (shape.kind == kBlockerBox) {
        h = direct::boxHit(d);
    } else if (shape.kind == kBlockerCylinder) {
        h = direct::cylinderHit(d);
    }
    return length(transform(AiM4VectorByMatrixMult, shape.forward, h));
}

float value(const BlockerField& data, const BlockerParams& params, const Float3& p) {
    const float outside = params.bPositive ? 1.0f : 0.0f;
    if (!data.outer.contains(p)) return outside;
    if (data.inner.contains(p)) return 1.0f - outside;
    if (params.bDecayPower == 0) return outside;
    const bool smooth = params.bDecayPower > 1;
    const float exponent = smooth ? 1.0f / static_cast<float>(params.bDecayPower - 1) : 0.0f;
    const float a = falloff(surfaceDistance(data.inner, p), surfaceDistance(data.outer, p),
                            distance(p, data.inner.centre), smooth, exponent);
    return params.bPositive ? a : 1.0f - a;
}

}  // namespace direct

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(BlockerValue, StaysInRangeForAnyParameters) {
    const Float3 scales[] = {{1, 1, 1},    {0, 1, 1},      {kNaN, 1, 1},
                             {kInf, 1, 1}, {1e-39f, 1, 1}, {3e38f, 3e38f, 3e38f},
                             {-2, 1, 0.5f}};
    const Float3 rotations[] = {{0, 0, 0}, {30, 45, 60}, {kNaN, 0, 0}, {0, kInf, 0}, {1e30f, 0, 0}};
    const Float3 translations[] = {{0, 0, 0}, {1, -2, 3}, {kNaN, 0, 0}, {0, 0, -kInf}};
    const float extras[] = {1, 2, 0.5f, 0, -2, kNaN, kInf, 1e38f, 1e-30f};
    const int kinds[] = {0, 1, 2, 3, kBlockerShapeCount, -1};
    const int decays[] = {0, 1, 2, 3, -1, INT_MAX, INT_MIN};
    const Float3 points[] = {
        {0, 0, 0}, {0.3f, 0.0015f, 0}, {0.8f, 0.0015f, 0}, {1.2f, 0.5f, -0.3f}, {0, 1.5f, 0},
        {2, 3, 4}, {1e30f, 0, 0},      {kNaN, 0, 0},       {0, -kInf, 0},       {3e38f, 3e38f, 0}};
    // The grid must reach all three answers, or a value() stuck at 0 or 1 would pass.
    long blocked = 0, ramped = 0, passed = 0;
    BlockerField data;
    for (const Float3& scale : scales)
        for (const Float3& rotation : rotations)
            for (const Float3& translation : translations)
                for (float extra : extras)
                    for (int kind : kinds)
                        for (int decay : decays)
                            for (bool positive : {true, false}) {
                                BlockerParams p;
                                p.mute = false;
                                p.bType = kind;
                                p.bScale = scale;
                                p.bRot = rotation;
                                p.bTransl = translation;
                                p.bPositive = positive;
                                p.bExtraScale = extra;
                                p.bDecayPower = decay;
                                data.setUp(p);
                                for (const Float3& point : points) {
                                    const float v = data.value(point);
                                    ASSERT_TRUE(v >= 0.0f && v <= 1.0f)
                                        << "v " << v << " kind " << kind << " decay " << decay
                                        << " extra " << extra << " scale " << scale.x;
                                    blocked += v == 0.0f;
                                    ramped += v > 0.0f && v < 1.0f;
                                    passed += v == 1.0f;
                                }
                            }
    EXPECT_GT(blocked, 0);
    EXPECT_GT(ramped, 0);
    EXPECT_GT(passed, 0);
}

TEST(BlockerValue, MutedSetUpKeepsTheShapesItHad) {
    BlockerField data;
    BlockerParams p;
    p.mute = false;
    p.bType = 1;
    p.bScale = Float3(2, 2, 2);
    p.bRot = p.bTransl = Float3(0, 0, 0);
    p.bPositive = true;
    p.bExtraScale = 1;
    p.bDecayPower = 1;
    data.setUp(p);
    BlockerParams muted;
    muted.mute = true;
    data.setUp(muted);
    EXPECT_TRUE(data.muted);
    EXPECT_EQ(data.inner.kind, 1);
    EXPECT_EQ(data.inner.scale.x, 2);
    EXPECT_EQ(data.value(Float3(1.5f, 0, 0)), 0.0f);
}

// Random placements of every kind, with bExtraScale of either sign; `reach` is how far the unit
// shape of each kind extends along its local axes.
const Float3 kReach[kBlockerShapeCount] = {
    {0.5f, 0.001f, 0.5f}, {1, 1, 1}, {0.5f, 0.5f, 0.5f}, {1, 1, 1}};
BlockerParams randomPlacement(std::mt19937& random, int placement, int32_t decayPower) {
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    BlockerParams p;
    p.mute = false;
    p.bType = placement % kBlockerShapeCount;
    p.bScale = Float3(uniform(0.2f, 3), uniform(0.2f, 3), uniform(0.2f, 3));
    p.bRot = Float3(uniform(-180, 180), uniform(-180, 180), uniform(-180, 180));
    p.bTransl = Float3(uniform(-5, 5), uniform(-5, 5), uniform(-5, 5));
    p.bPositive = placement % 3 != 0;
    p.bExtraScale = uniform(1.2f, 4) * (placement % 5 == 0 ? -1 : 1);
    p.bDecayPower = decayPower;
    return p;
}

// Points of the zone between the shapes, drawn in the inner shape's space out to the outer
// one, on random placements of every kind, with bExtraScale of either sign.
TEST(BlockerValue, ZoneMatchesTheDirectFormOnRandomPlacements) {
    std::mt19937 random(7);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    const int decays[] = {1, 2, 3, 4, -1};
    int compared = 0;
    for (int placement = 0; placement < 400; ++placement) {
        const BlockerParams p = randomPlacement(random, placement, decays[placement % 5]);
        BlockerField data;
        data.setUp(p);
        const Float3 r = kReach[p.bType] * absf(p.bExtraScale);
        for (int i = 0; i < 50; ++i) {
            const Vector local{uniform(-r.x, r.x), uniform(-r.y, r.y), uniform(-r.z, r.z)};
            Vector world;
            AiM4PointByMatrixMult(&world, &data.inner.forward, &local);
            const Float3 point(world);
            if (!data.outer.contains(point) || data.inner.contains(point)) continue;
            const float dIn = direct::surfaceDistance(data.inner, point);
            const float dOut = direct::surfaceDistance(data.outer, point);
            const float x = distance(point, data.inner.centre);
            // Where the ramp starts or ends, rounding may tip a point either way.
            if (absf(x - dIn) < 1e-3f * x || absf(dOut - x) < 1e-3f * x) continue;
            const float want = direct::value(data, p, point);
            EXPECT_NEAR(data.inner.surfaceDistance(point), dIn, 1e-5f * dIn);
            EXPECT_NEAR(data.value(point), want, 1e-5f)
                << "kind " << p.bType << " decay " << p.bDecayPower << " extra " << p.bExtraScale;
            ++compared;
        }
    }
    EXPECT_GT(compared, 4000);
}

}  // namespace

// The inside tests place a point once, in the outer shape's space, and scale it into the inner
// one's: the answer must be the direct form's, whichever shape the point is in, unless the
// point lies so near a surface that rounding may tip it either way.
TEST(BlockerValue, OneTransformAnswersAsTheDirectFormInEveryZone) {
    std::mt19937 random(19);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(random);
    };
    int zones[3] = {0, 0, 0};  // inside, ramp, outside
    for (int placement = 0; placement < 400; ++placement) {
        // With the ramp and without.
        const BlockerParams p = randomPlacement(random, placement, placement % 2);
        BlockerField data;
        data.setUp(p);
        ASSERT_TRUE(data.zone.sharedPlacement);
        const Float3 r = kReach[p.bType] * (1.5f * absf(p.bExtraScale));
        for (int i = 0; i < 50; ++i) {
            const Vector local{uniform(-r.x, r.x), uniform(-r.y, r.y), uniform(-r.z, r.z)};
            Vector world;
            AiM4PointByMatrixMult(&world, &data.inner.forward, &local);
            const Float3 point(world);
            // Moved a little towards the centre and away from it, a point near either surface
            // changes sides.
            Float3 towards = data.inner.centre, away = data.inner.centre;
            towards += (point - data.inner.centre) * (1 - 1e-4f);
            away += (point - data.inner.centre) * (1 + 1e-4f);
            if (data.inner.contains(towards) != data.inner.contains(away) ||
                data.outer.contains(towards) != data.outer.contains(away))
                continue;
            ++zones[data.inner.contains(point) ? 0 : data.outer.contains(point) ? 1 : 2];
            EXPECT_NEAR(data.value(point), direct::value(data, p, point), 1e-5f)
                << "kind " << p.bType << " extra " << p.bExtraScale;
        }
    }
    EXPECT_GT(zones[0], 300);
    EXPECT_GT(zones[1], 1000);
    EXPECT_GT(zones[2], 1000);
}
