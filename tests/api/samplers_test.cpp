// The host's samplers: counts, stratification, decorrelation and determinism.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "api/sample_sequence.h"
#include "shading/sample_state.h"

namespace {

struct Point {
    float u, v;
};

class SamplersTest : public ::testing::Test {
  protected:
    /// Every point one iterator hands out for a sample at that pixel, sample index and depth.
    std::vector<Point> walk(const Sampler* sampler, uint32_t x, uint32_t y, uint32_t s = 0,
                            int depth = 0, Vector point = {0, 0, 0}) {
        ShaderGlobals sg = host::blankShaderGlobals();
        sg.point = point;
        host::SampleScope scope(thread, sg, nullptr, depth, host::SampleOrigin{x, y, s});
        SamplerIterator* it = AiSamplerIterator(sampler, &sg);
        std::vector<Point> points;
        float u[2];
        while (AiSamplerGetSample(it, u)) {
            points.push_back({u[0], u[1]});
            EXPECT_FLOAT_EQ(AiSamplerGetSampleInvCount(it), 1.0f / points.size());
        }
        return points;
    }
    host::ThreadContext thread{0};
};

TEST_F(SamplersTest, CountsBelowOneAreOneAndDeeperRaysGetFewer) {
    for (int n : {0, -4}) {
        Sampler* sampler = AiSampler(n, 2);
        EXPECT_EQ(walk(sampler, 0, 0).size(), 1u) << n;
        AiSamplerDestroy(sampler);
    }
    Sampler* sampler = AiSampler(16, 2);
    EXPECT_EQ(walk(sampler, 0, 0, 0, 0).size(), 16u);
    EXPECT_EQ(walk(sampler, 0, 0, 0, 1).size(), 8u);
    EXPECT_EQ(walk(sampler, 0, 0, 0, 3).size(), 2u);
    EXPECT_EQ(walk(sampler, 0, 0, 0, 40).size(), 1u);
    EXPECT_EQ(walk(sampler, 0, 0, 0, -1).size(), 16u) << "the camera's own level";
    AiSamplerDestroy(sampler);
}

TEST_F(SamplersTest, InverseCountIsZeroBeforeTheFirstPointAndNullIteratorsAreSafe) {
    Sampler* sampler = AiSampler(4, 2);
    ShaderGlobals sg = host::blankShaderGlobals();
    {
        host::SampleScope scope(thread, sg);
        SamplerIterator* it = AiSamplerIterator(sampler, &sg);
        EXPECT_EQ(AiSamplerGetSampleInvCount(it), 0.0f);
    }
    sg.host = nullptr;
    SamplerIterator* none = AiSamplerIterator(sampler, &sg);
    float u[2] = {-1, -1};
    EXPECT_FALSE(AiSamplerGetSample(none, u));
    EXPECT_EQ(u[0], -1.0f);
    EXPECT_EQ(AiSamplerGetSampleInvCount(none), 0.0f);
    EXPECT_EQ(AiSamplerIterator(nullptr, &sg), nullptr);
    AiSamplerDestroy(sampler);
    AiSamplerDestroy(nullptr);
}

TEST_F(SamplersTest, PowerOfTwoCountsAreStratifiedInEveryElementaryInterval) {
    Sampler* sampler = AiSampler(64, 2);
    for (uint32_t pixel = 0; pixel < 20; ++pixel) {
        const std::vector<Point> points = walk(sampler, pixel, 3 * pixel, pixel % 5);
        ASSERT_EQ(points.size(), 64u);
        // Intervals of area 1/64: 1 x 64, 2 x 32, ..., 64 x 1.
        for (int xBits = 0; xBits <= 6; ++xBits) {
            const int nx = 1 << xBits, ny = 64 / nx;
            std::set<int> cells;
            for (const Point& p : points) {
                ASSERT_GE(p.u, 0.0f);
                ASSERT_LT(p.u, 1.0f);
                ASSERT_GE(p.v, 0.0f);
                ASSERT_LT(p.v, 1.0f);
                cells.insert(static_cast<int>(p.u * nx) * ny + static_cast<int>(p.v * ny));
            }
            EXPECT_EQ(cells.size(), 64u) << nx << " x " << ny << " pixel " << pixel;
        }
    }
    AiSamplerDestroy(sampler);
}

TEST_F(SamplersTest, SameSampleGivesSamePointsAndNeighboursAreDecorrelated) {
    Sampler* sampler = AiSampler(8, 2);
    const std::vector<Point> a = walk(sampler, 5, 7, 2), again = walk(sampler, 5, 7, 2);
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].u, again[i].u);
        EXPECT_EQ(a[i].v, again[i].v);
    }
    // Correlation of the first point between neighbouring pixels, samples, depths and points.
    auto correlation = [](const std::vector<float>& x, const std::vector<float>& y) {
        double mx = 0, my = 0;
        for (size_t i = 0; i < x.size(); ++i) mx += x[i], my += y[i];
        mx /= x.size(), my /= y.size();
        double sxy = 0, sxx = 0, syy = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            sxy += (x[i] - mx) * (y[i] - my);
            sxx += (x[i] - mx) * (x[i] - mx);
            syy += (y[i] - my) * (y[i] - my);
        }
        return sxy / std::sqrt(sxx * syy);
    };
    std::vector<float> base, nextPixel, nextRow, nextSample, deeper, moved;
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            base.push_back(walk(sampler, x, y)[0].u);
            nextPixel.push_back(walk(sampler, x + 1, y)[0].u);
            nextRow.push_back(walk(sampler, x, y + 1)[0].u);
            nextSample.push_back(walk(sampler, x, y, 1)[0].u);
            deeper.push_back(walk(sampler, x, y, 0, 1)[0].u);
            moved.push_back(walk(sampler, x, y, 0, 0, {0.5f, 0, 0})[0].u);
        }
    // 4096 pairs: an independent pair stays within 0.05 with overwhelming odds.
    EXPECT_LT(std::fabs(correlation(base, nextPixel)), 0.05);
    EXPECT_LT(std::fabs(correlation(base, nextRow)), 0.05);
    EXPECT_LT(std::fabs(correlation(base, nextSample)), 0.05);
    EXPECT_LT(std::fabs(correlation(base, deeper)), 0.05);
    EXPECT_LT(std::fabs(correlation(base, moved)), 0.05);
    // And the first points of all pixels are spread evenly over [0, 1).
    std::vector<int> bins(16, 0);
    for (float u : base) ++bins[static_cast<int>(u * 16)];
    for (int count : bins) EXPECT_NEAR(count, 256, 80);
    AiSamplerDestroy(sampler);
}

TEST(SampleSequence, ScramblingInReversedBitOrderGivesTheSamePoints) {
    uint32_t seed = 12345;
    for (uint32_t i = 0; i < 5000; ++i) {
        seed = host::hashBits(seed + i);
        ASSERT_EQ(host::owenScrambleReversed(host::sobolDimension0Reversed(i), seed),
                  host::owenScramble(host::sobolDimension0(i), seed))
            << i;
        ASSERT_EQ(host::owenScrambleReversed(host::sobolDimension1Reversed(i), seed),
                  host::owenScramble(host::sobolDimension1(i), seed))
            << i;
    }
}

TEST(SampleSequence, ReversedDimensionOneHoldsForEveryByteOfTheIndex) {
    // Indices with bits in all four bytes, which the scrambling test's small ones never reach.
    uint32_t i = 1;
    for (int n = 0; n < 5000; ++n) {
        i = host::hashBits(i + static_cast<uint32_t>(n));
        ASSERT_EQ(host::sobolDimension1Reversed(i), host::reverseBits(host::sobolDimension1(i)))
            << i;
    }
}

TEST(SampleSequence, BitReversalMovesEachBitToItsMirror) {
    uint32_t x = 1;
    for (uint32_t i = 0; i < 5000; ++i) {
        x = host::hashBits(x + i);
        uint32_t mirrored = 0;
        for (int b = 0; b < 32; ++b)
            if ((x >> b) & 1u) mirrored |= 1u << (31 - b);
        ASSERT_EQ(host::reverseBits(x), mirrored) << x;
    }
}

TEST_F(SamplersTest, IteratorsComeFromTheSampleArenaWithoutGrowingIt) {
    Sampler* sampler = AiSampler(4, 2);
    walk(sampler, 0, 0);
    const size_t blocks = thread.arena.blockCount();
    for (uint32_t i = 0; i < 10000; ++i) walk(sampler, i, i);
    EXPECT_EQ(thread.arena.blockCount(), blocks);
    AiSamplerDestroy(sampler);
}

TEST_F(SamplersTest, ExtraDimensionsAreFilledAndNoneAreWrittenPastTheCount) {
    Sampler* sampler = AiSampler(2, 4);
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(thread, sg);
    SamplerIterator* it = AiSamplerIterator(sampler, &sg);
    float u[5] = {-1, -1, -1, -1, -1};
    ASSERT_TRUE(AiSamplerGetSample(it, u));
    for (int d = 0; d < 4; ++d) {
        EXPECT_GE(u[d], 0.0f);
        EXPECT_LT(u[d], 1.0f);
    }
    EXPECT_EQ(u[4], -1.0f);
    AiSamplerDestroy(sampler);
}

}  // namespace
