// The renderer's pure pieces: camera, pixel sample placement, sRGB encoding, clock time.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "render/camera.h"
#include "render/image_output.h"
#include "render/pixel_samples.h"
#include "render/progress_bar.h"

namespace {

TEST(Camera, ImageCentreLooksAtTheTarget) {
    const host::Camera camera = host::makeCamera({0, 0, 5}, {0, 0, 0}, {0, 1, 0}, 40, 64, 32);
    const Vector d = host::cameraDirection(camera, 32, 16);
    EXPECT_NEAR(d.x, 0, 1e-6);
    EXPECT_NEAR(d.y, 0, 1e-6);
    EXPECT_NEAR(d.z, -1, 1e-6);
}

TEST(Camera, FieldOfViewSpansTheShorterSide) {
    const float fov = 60;
    const host::Camera wide = host::makeCamera({0, 0, 0}, {0, 0, -1}, {0, 1, 0}, fov, 200, 100);
    // Top edge, middle column: half the fov above the axis.
    const Vector top = host::cameraDirection(wide, 100, 0);
    EXPECT_NEAR(std::atan2(top.y, -top.z) * 180 / 3.14159265, fov / 2, 1e-3);
    EXPECT_GT(top.y, 0);  // up is up
    const Vector right = host::cameraDirection(wide, 200, 50);
    EXPECT_NEAR(right.x / -right.z, 2 * std::tan(fov / 2 * 3.14159265 / 180), 1e-4);
    const host::Camera tall = host::makeCamera({0, 0, 0}, {0, 0, -1}, {0, 1, 0}, fov, 100, 200);
    const Vector side = host::cameraDirection(tall, 100, 100);
    EXPECT_NEAR(std::atan2(side.x, -side.z) * 180 / 3.14159265, fov / 2, 1e-3);
}

TEST(PixelSamples, OneSampleSitsAtThePixelCentre) {
    float u, v;
    host::pixelSampleOffset(7, 9, 0, 1, &u, &v);
    EXPECT_EQ(u, 0.5f);
    EXPECT_EQ(v, 0.5f);
}

TEST(PixelSamples, ManySamplesAreDistinctInsideThePixelAndRepeatable) {
    std::set<std::pair<float, float>> seen;
    float sumU = 0;
    for (uint32_t s = 0; s < 64; ++s) {
        float u, v, u2, v2;
        host::pixelSampleOffset(3, 4, s, 64, &u, &v);
        host::pixelSampleOffset(3, 4, s, 64, &u2, &v2);
        EXPECT_EQ(u, u2);
        EXPECT_EQ(v, v2);
        EXPECT_GE(u, 0.0f);
        EXPECT_LT(u, 1.0f);
        EXPECT_GE(v, 0.0f);
        EXPECT_LT(v, 1.0f);
        seen.insert({u, v});
        sumU += u;
    }
    EXPECT_EQ(seen.size(), 64u);
    EXPECT_NEAR(sumU / 64, 0.5, 0.05);  // well spread, not clumped
    float a, b, c, d;
    host::pixelSampleOffset(0, 0, 0, 4, &a, &b);
    host::pixelSampleOffset(1, 0, 0, 4, &c, &d);
    EXPECT_FALSE(a == c && b == d);  // neighbours do not share a pattern
}

TEST(ImageOutput, SrgbEncoding) {
    EXPECT_EQ(host::linearToSrgb(0), 0);
    EXPECT_EQ(host::linearToSrgb(1), 1);
    EXPECT_EQ(host::linearToSrgb(-2), 0);
    EXPECT_EQ(host::linearToSrgb(7), 1);
    EXPECT_EQ(host::linearToSrgb(NAN), 0);
    EXPECT_NEAR(host::linearToSrgb(0.002f), 0.002f * 12.92f, 1e-6);
    EXPECT_NEAR(host::linearToSrgb(0.5f), 0.7353569f, 1e-5);
    EXPECT_NEAR(host::linearToSrgb(0.0031308f), 0.04045f, 1e-4);  // the two pieces meet
}

TEST(ProgressBar, DurationsReadAsClockTime) {
    char text[16];
    host::formatDuration(7.4, text, sizeof(text));
    EXPECT_STREQ(text, "0:07");
    host::formatDuration(3723, text, sizeof(text));
    EXPECT_STREQ(text, "1:02:03");
}

}  // namespace
