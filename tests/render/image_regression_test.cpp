// Renders of the bundled scenes against small reference images. On failure the render and a
// difference image are written to a new orv-image-diffs-* folder under the temporary folder, named
// in the failure. Regenerate the references with
// scripts/update-references.sh after a change that is meant to alter the pictures.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "render/image_compare.h"
#include "render/image_output.h"
#include "render/scene_render.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string kReferences = ORV_SOURCE_DIR "/tests/render/references";

/// A channel may differ by this much (sRGB-encoded, about 5/255) without counting...
constexpr float kPixelThreshold = 0.02f;
/// ...and this share of pixels may exceed it: edges and sampled noise move a little between
/// compilers and maths libraries.
constexpr double kFailingShare = 0.01;
/// The mean error over the whole image must stay below this.
constexpr double kMeanThreshold = 0.004;

struct ReferenceScene {
    std::string scene;
    int width, height, samples;
    std::string name() const { return fs::path(scene).stem().string(); }
};

std::vector<ReferenceScene> referenceScenes() {
    std::vector<ReferenceScene> scenes;
    std::ifstream list(kReferences + "/scenes.txt");
    std::string line;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        ReferenceScene entry;
        if (fields >> entry.scene >> entry.width >> entry.height >> entry.samples)
            scenes.push_back(entry);
    }
    return scenes;
}

class ReferenceImagesSlow : public ::testing::TestWithParam<ReferenceScene> {};

TEST_P(ReferenceImagesSlow, MatchesReference) {
    const ReferenceScene& entry = GetParam();
    host::RenderOverrides overrides;
    overrides.width = entry.width;
    overrides.height = entry.height;
    overrides.samples = entry.samples;
    host::SceneRender job(ORV_SOURCE_DIR "/" + entry.scene, overrides);
    host::ImageBuffer rendered(job.width(), job.height());
    job.render(rendered);
    const host::ImageBuffer encoded = host::quantizeLikePng(rendered);

    const std::string referencePath = kReferences + "/" + entry.name() + ".png";
    ASSERT_TRUE(fs::exists(referencePath))
        << referencePath << " is missing: run scripts/update-references.sh";
    const host::ImageBuffer reference = host::readImage(referencePath);
    const host::ImageDifference difference =
        host::compareImages(encoded, reference, kPixelThreshold);
    const long pixels = long(encoded.width()) * encoded.height();
    const bool pass = !difference.sizesDiffer && difference.meanError < kMeanThreshold &&
                      difference.failingPixels <= long(kFailingShare * pixels);
    if (!pass) {
        // Kept for a person to look at, so outside the build tree and not removed.
        std::string pattern = (fs::temp_directory_path() / "orv-image-diffs-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        const fs::path diffs = pattern;
        host::writeImage((diffs / (entry.name() + ".out.png")).string(), rendered);
        if (!difference.sizesDiffer)
            host::writeDifferenceImage((diffs / (entry.name() + ".diff.png")).string(), encoded,
                                       reference);
        ADD_FAILURE() << entry.scene << " differs from " << referencePath << ": "
                      << (difference.sizesDiffer ? "sizes differ; " : "") << "mean error "
                      << difference.meanError << ", max " << difference.maxError << ", "
                      << difference.failingPixels << " of " << pixels << " pixels over "
                      << kPixelThreshold << "; see " << diffs.string();
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, ReferenceImagesSlow, ::testing::ValuesIn(referenceScenes()),
                         [](const auto& row) { return row.param.name(); });

TEST(ReferenceImages, EveryBundledSceneIsUnderRegression) {
    std::set<std::string> listed;
    for (const ReferenceScene& entry : referenceScenes()) listed.insert(entry.name());
    for (const auto& file : fs::directory_iterator(ORV_SOURCE_DIR "/scenes"))
        if (file.path().extension() == ".json") {
            EXPECT_TRUE(listed.count(file.path().stem().string())) << file.path();
        }
}

TEST(ReferenceImages, ComparisonCatchesAChangedPicture) {
    host::ImageBuffer a(8, 8), b(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) a.at(x, y) = b.at(x, y) = RGBA{0.5f, 0.5f, 0.5f, 1};
    EXPECT_EQ(host::compareImages(a, b, kPixelThreshold).failingPixels, 0);
    b.at(3, 3).g = 0.6f;
    const host::ImageDifference d = host::compareImages(a, b, kPixelThreshold);
    EXPECT_EQ(d.failingPixels, 1);
    EXPECT_NEAR(d.maxError, 0.1, 1e-6);
    EXPECT_TRUE(host::compareImages(a, host::ImageBuffer(8, 4), kPixelThreshold).sizesDiffer);
}

TEST(ReferenceImages, DifferenceImageShowsWhereAndHowMuch) {
    // b covers only the top-left pixel: beyond it the difference is a's own value.
    host::ImageBuffer a(2, 2), b(1, 1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) a.at(x, y) = RGBA{0.5f, 0.25f, 0.0f, 1};
    b.at(0, 0) = RGBA{0.25f, 0.25f, 0.5f, 0};
    test::ScratchDir scratch;
    const std::string path = scratch.path("diff.png").string();
    host::writeDifferenceImage(path, a, b, 2.0f);
    const host::ImageBuffer diff = host::readImage(path);
    ASSERT_EQ(diff.width(), 2);
    ASSERT_EQ(diff.height(), 2);
    // |a - b| x 2, clamped to 1, shown as its own value once the PNG's encoding is read raw.
    EXPECT_NEAR(diff.at(0, 0).r, 0.5f, 0.03f);
    EXPECT_NEAR(diff.at(0, 0).g, 0.0f, 0.01f);
    EXPECT_NEAR(diff.at(0, 0).b, 1.0f, 0.01f);
    EXPECT_NEAR(diff.at(1, 1).r, 1.0f, 0.01f);
    EXPECT_NEAR(diff.at(1, 1).g, 0.5f, 0.03f);
    EXPECT_EQ(diff.at(1, 0).a, 1.0f);  // a PNG without alpha reads as opaque
}

}  // namespace
