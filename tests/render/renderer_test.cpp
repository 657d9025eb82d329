// The bucket renderer and image output: reproducible images, stable thread indices, complete
// files or none.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "render/image_compare.h"
#include "render/image_output.h"
#include "render/scene_render.h"
#include "support/scratch_dir.h"
#include "universe/host_error.h"

namespace {

namespace fs = std::filesystem;
const std::string kScenes = ORV_SOURCE_DIR "/scenes";

host::ImageBuffer renderWith(const std::string& scene, int threads, int bucket) {
    host::RenderOverrides overrides;
    overrides.width = 48;
    overrides.height = 36;
    overrides.samples = 2;
    overrides.threads = threads;
    overrides.bucketSize = bucket;
    host::SceneRender job(scene, overrides);
    host::ImageBuffer image(job.width(), job.height());
    const host::RenderStats stats = job.render(image);
    EXPECT_EQ(stats.samples, 48u * 36u * 2u);
    EXPECT_EQ(stats.threads, threads);
    EXPECT_FALSE(stats.stopped);
    EXPECT_GE(stats.rays, stats.samples);  // at least the camera rays
    return image;
}

TEST(BucketRenderer, ImageDoesNotDependOnThreadsOrBuckets) {
    // The demo has every node type, glossy sampling and per-thread station tables.
    const std::string scene = kScenes + "/demo.json";
    const host::ImageBuffer one = renderWith(scene, 1, 16);
    const host::ImageBuffer two = renderWith(scene, 2, 7);
    const host::ImageBuffer four = renderWith(scene, 4, 5);
    int lit = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            const RGBA a = one.at(x, y), b = two.at(x, y), c = four.at(x, y);
            ASSERT_EQ(a.r, b.r) << x << "," << y;
            ASSERT_EQ(a.g, b.g) << x << "," << y;
            ASSERT_EQ(a.b, c.b) << x << "," << y;
            ASSERT_EQ(a.a, c.a) << x << "," << y;
            lit += a.r + a.g + a.b > 0.05f;
        }
    EXPECT_GT(lit, one.width() * one.height() / 2);
}

/// The bundled scenes, and scenes whose nodes read their settings from the first sample after
/// an update: one trace node looking up two objects' environments, a blocker placed by the
/// shading point, a station tuned by a receiver inside another station.
std::vector<std::string> scenesToRepeat() {
    std::vector<std::string> scenes;
    for (const auto& entry : fs::directory_iterator(kScenes))
        if (entry.path().extension() == ".json") scenes.push_back(entry.path().string());
    for (const char* name : {"setup_environment", "setup_blocker", "setup_station"})
        scenes.push_back(ORV_SOURCE_DIR "/tests/render/data/" + std::string(name) + ".json");
    std::sort(scenes.begin(), scenes.end());
    return scenes;
}

host::ImageBuffer renderPart(const std::string& scene, int threads, int bucket,
                             host::PixelWindow crop = {}) {
    host::RenderOverrides overrides;
    overrides.width = 24;
    overrides.height = 18;
    overrides.samples = 2;
    overrides.threads = threads;
    overrides.bucketSize = bucket;
    overrides.crop = crop;
    host::SceneRender job(scene, overrides);
    host::ImageBuffer image(job.window().width(), job.window().height());
    job.render(image);
    return image;
}

bool sameBits(const RGBA& a, const RGBA& b) {
    return std::memcmp(&a, &b, sizeof(RGBA)) == 0;
}

class SameScene : public ::testing::TestWithParam<std::string> {};

TEST_P(SameScene, GivesTheSamePictureOnAnyThreadsBucketsAndTiles) {
    const host::ImageBuffer whole = renderPart(GetParam(), 1, 16);
    const host::ImageBuffer other = renderPart(GetParam(), 2, 3);
    // Tiles split off-centre, each starting its buckets elsewhere than the whole frame does.
    const host::PixelWindow tiles[] = {
        {0, 0, 13, 7}, {13, 0, 24, 7}, {0, 7, 13, 18}, {13, 7, 24, 18}};
    std::vector<host::ImageBuffer> parts;
    for (const host::PixelWindow& tile : tiles) parts.push_back(renderPart(GetParam(), 2, 5, tile));
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x) {
            ASSERT_TRUE(sameBits(whole.at(x, y), other.at(x, y))) << x << "," << y;
            for (size_t t = 0; t < parts.size(); ++t) {
                const host::PixelWindow& tile = tiles[t];
                if (x < tile.x0 || x >= tile.x1 || y < tile.y0 || y >= tile.y1) continue;
                ASSERT_TRUE(sameBits(whole.at(x, y), parts[t].at(x - tile.x0, y - tile.y0)))
                    << "tile " << t << " at " << x << "," << y;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Scenes, SameScene, ::testing::ValuesIn(scenesToRepeat()),
                         [](const ::testing::TestParamInfo<std::string>& row) {
                             return fs::path(row.param).stem().string();
                         });

TEST(NodeSetUp, FollowsTheFirstObjectThatReachesTheNode) {
    const std::string data = ORV_SOURCE_DIR "/tests/render/data/";
    // One trace node on two spheres: both show the environment of the first, the left.
    const host::ImageBuffer environment = renderPart(data + "setup_environment.json", 2, 4);
    const RGBA right = environment.at(19, 9);
    EXPECT_EQ(right.r, 1.0f);
    EXPECT_EQ(right.b, 0.0f);
    // The inner station, shaded bare on the right, was tuned inside the outer one on the left:
    // its receiver hears the outer broadcast, so it broadcasts green to its own receiver.
    const host::ImageBuffer station = renderPart(data + "setup_station.json", 2, 4);
    for (const RGBA& c : {station.at(4, 9), station.at(19, 9)}) {
        EXPECT_EQ(c.r, 0.0f);
        EXPECT_EQ(c.g, 1.0f);
    }
}

TEST(BucketRenderer, StopRaisedEarlyEndsTheRender) {
    host::SceneRender job(kScenes + "/demo.json");
    host::ImageBuffer image(job.width(), job.height());
    std::atomic<bool> stop{true};
    int calls = 0;
    const host::RenderStats stats = job.render(image, &stop, [&](int, int) { ++calls; });
    EXPECT_TRUE(stats.stopped);
    EXPECT_EQ(stats.samples, 0u);
    EXPECT_GE(calls, 1);  // progress reports at least the end
}

TEST(BucketRenderer, ProgressReachesEveryBucket) {
    host::RenderOverrides overrides;
    overrides.width = 20;
    overrides.height = 10;
    overrides.samples = 1;
    overrides.bucketSize = 4;
    host::SceneRender job(kScenes + "/host_nodes.json", overrides);
    host::ImageBuffer image(job.width(), job.height());
    int lastDone = -1, lastTotal = 0;
    const host::RenderStats stats = job.render(image, nullptr, [&](int done, int total) {
        EXPECT_GE(done, lastDone);
        lastDone = done;
        lastTotal = total;
    });
    EXPECT_EQ(stats.buckets, 15);  // 5 x 3 buckets of 4 pixels
    EXPECT_EQ(lastTotal, 15);
    EXPECT_EQ(lastDone, 15);
}

TEST(BucketRenderer, BackgroundGivesZeroAlpha) {
    host::RenderOverrides overrides;
    overrides.width = 16;
    overrides.height = 16;
    overrides.samples = 1;
    host::SceneRender job(kScenes + "/demo.json", overrides);
    host::ImageBuffer image(16, 16);
    job.render(image);
    EXPECT_EQ(image.at(8, 0).a, 0.0f);   // sky at the top
    EXPECT_EQ(image.at(8, 15).a, 1.0f);  // floor at the bottom
    EXPECT_GT(image.at(8, 0).b, 0.0f);   // the sky's colour is in the pixel
}

TEST(BucketRenderer, SurfaceAndBackgroundShowAnOutputByItsType) {
    test::ScratchDir scratch;
    const std::string scene = scratch.path("typed.json").string();
    std::ofstream(scene) << R"({"options": {"background": "sky"},
        "camera": {"position": [0, 0, 5], "lookAt": [0, 0, 0], "fov": 30},
        "objects": [{"type": "sphere", "shader": "three"}],
        "nodes": [{"type": "orv_radio_integer", "name": "three", "integer": 3},
                  {"type": "orv_radio_vector", "name": "sky", "vector": [0.25, 0.5, 0.75]}]})";
    host::RenderOverrides overrides;
    overrides.width = overrides.height = 9;
    overrides.samples = 1;
    host::SceneRender job(scene, overrides);
    host::ImageBuffer image(9, 9);
    job.render(image);
    const RGBA ball = image.at(4, 4), sky = image.at(0, 0);
    EXPECT_TRUE(ball.r == 3 && ball.g == 3 && ball.b == 3 && ball.a == 1);
    EXPECT_TRUE(sky.r == 0.25f && sky.g == 0.5f && sky.b == 0.75f && sky.a == 0);
}

/// Whether `tree` or any event inside it names `node`.
bool mentions(const nlohmann::ordered_json& tree, const std::string& node) {
    if (tree.value("node", "") == node) return true;
    if (tree.contains("calls"))
        for (const auto& call : tree["calls"])
            if (mentions(call, node)) return true;
    return false;
}

TEST(PixelExplain, TheExplainedSampleIsTheRendersSample) {
    // At one sample per pixel the pixel is its first sample: the explanation must trace the
    // same ray with the same random numbers (the glossy ball samples a cone) to the same colour.
    host::RenderOverrides overrides;
    overrides.width = 40;
    overrides.height = 30;
    overrides.samples = 1;
    host::SceneRender job(kScenes + "/demo.json", overrides);
    host::ImageBuffer image(40, 30);
    job.render(image);
    std::set<std::string> objects;
    bool filtered = false;
    for (int y = 1; y < 30; y += 3)
        for (int x = 2; x < 40; x += 3) {
            const nlohmann::ordered_json explained = job.explainPixel(x, y);
            const RGBA pixel = image.at(x, y);
            const float want[4] = {pixel.r, pixel.g, pixel.b, pixel.a};
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(explained["color"][c].get<double>(), want[c],
                            1e-6 * std::max(1.0f, std::fabs(want[c])))
                    << x << "," << y << ": " << explained.dump();
            const auto& ray = explained["explain"];
            EXPECT_EQ(ray["ray"], "camera");
            EXPECT_EQ(ray["hit"], explained["object"]);
            if (explained["object"].is_string()) objects.insert(explained["object"]);
            filtered = filtered || mentions(ray, "shadowCard");
        }
    EXPECT_EQ(objects, (std::set<std::string>{"floor", "radioBall", "probeBall", "glossyBall"}));
    EXPECT_TRUE(filtered);  // the key light's blocker shows where it lights the floor
    EXPECT_THROW(job.explainPixel(40, 0), host::HostError);
    EXPECT_THROW(job.explainPixel(0, -1), host::HostError);
}

class ImageFiles : public ::testing::Test {
  protected:
    static host::ImageBuffer ramp() {
        host::ImageBuffer image(4, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) image.at(x, y) = RGBA{x / 3.0f, 0.5f, 2.0f, y * 1.0f};
        return image;
    }
    test::ScratchDir scratch_;
    const fs::path& dir_ = scratch_.root();
};

TEST_F(ImageFiles, ExrKeepsLinearFloatsAndAlpha) {
    const std::string path = (dir_ / "new" / "ramp.exr").string();
    host::writeImage(path, ramp());
    const host::ImageBuffer read = host::readImage(path);
    EXPECT_FLOAT_EQ(read.at(2, 0).r, 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(read.at(0, 0).b, 2.0f);  // above 1 is kept
    EXPECT_FLOAT_EQ(read.at(0, 1).a, 1.0f);
    EXPECT_FLOAT_EQ(read.at(0, 0).a, 0.0f);
}

TEST_F(ImageFiles, PngIsSrgbEightBit) {
    const std::string path = (dir_ / "ramp.png").string();
    host::writeImage(path, ramp());
    const host::ImageBuffer read = host::readImage(path);
    EXPECT_NEAR(read.at(0, 0).g, 188 / 255.0f, 1e-6);  // 0.5 linear, sRGB-encoded
    EXPECT_NEAR(read.at(0, 0).b, 1.0f, 1e-6);          // clamped
    EXPECT_EQ(read.at(0, 1).a, 1.0f);                  // no alpha in a PNG
    EXPECT_EQ(host::compareImages(read, host::quantizeLikePng(ramp()), 1e-6f).failingPixels, 0);
}

TEST_F(ImageFiles, OnlyTheFinishedImageIsLeft) {
    const std::string path = (dir_ / "only.png").string();
    host::writeImage(path, ramp());
    host::writeImage(path, ramp());  // replacing an existing image
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename());
    EXPECT_EQ(names, std::set<std::string>{"only.png"});
}

TEST_F(ImageFiles, UnknownExtensionIsRefusedBeforeRendering) {
    EXPECT_THROW(host::checkImagePath("out.jpg"), host::HostError);
    EXPECT_THROW(host::checkImagePath("out"), host::HostError);
    EXPECT_NO_THROW(host::checkImagePath("OUT.EXR"));
    EXPECT_THROW(host::writeImage((dir_ / "x.tif").string(), ramp()), host::HostError);
}

}  // namespace
