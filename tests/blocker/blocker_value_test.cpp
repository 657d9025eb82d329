// BlockerData on its own: every set-up, however odd its values, gives a value in [0, 1].
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "blocker/blocker_data.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(BlockerValue, StaysInRangeForAnyParameters) {
    const Float3 scales[] = {{1, 1, 1},    {0, 1, 1},      {kNaN, 1, 1},
                             {kInf, 1, 1}, {1e-39f, 1, 1}, {3e38f, 3e38f, 3e38f},
                             {-2, 1, 0.5f}};
    const Float3 rotations[] = {{0, 0, 0}, {30, 45, 60}, {kNaN, 0, 0}, {0, kInf, 0}, {1e30f, 0, 0}};
    const Float3 translations[] = {{0, 0, 0}, {1, -2, 3}, {kNaN, 0, 0}, {0, 0, -kInf}};
    const float extras[] = {1, 2, 0.5f, 0, -2, kNaN, kInf, 1e38f, 1e-30f};
    const int kinds[] = {0, 1, 2, 3, 4, -1};
    const int decays[] = {0, 1, 2, 3, -1, INT_MAX, INT_MIN};
    const Float3 points[] = {
        {0, 0, 0}, {0.3f, 0.0015f, 0}, {0.8f, 0.0015f, 0}, {1.2f, 0.5f, -0.3f}, {0, 1.5f, 0},
        {2, 3, 4}, {1e30f, 0, 0},      {kNaN, 0, 0},       {0, -kInf, 0},       {3e38f, 3e38f, 0}};
    long checked = 0;
    BlockerData data;
    for (const Float3& scale : scales)
        for (const Float3& rotation : rotations)
            for (const Float3& translation : translations)
                for (float extra : extras)
                    for (int kind : kinds)
                        for (int decay : decays)
                            for (bool positive : {true, false}) {
                                BlockerParams p;
                                p.mute = false;
                                p.bFilter = Float3(0, 0, 0);
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
                                    ++checked;
                                }
                            }
    EXPECT_GT(checked, 0);
}

TEST(BlockerValue, MutedSetUpKeepsTheShapesItHad) {
    BlockerData data;
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

}  // namespace
