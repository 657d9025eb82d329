// The film's channels: light groups that add up to the beauty, unfiltered groups that are a
// render without the filters, and a beauty the channels leave as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "render/film.h"
#include "render/scene_render.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string kScenes = ORV_SOURCE_DIR "/scenes";

host::Film renderFilm(const std::string& scene, uint32_t aovs) {
    host::RenderOverrides overrides;
    overrides.width = 32;
    overrides.height = 24;
    overrides.samples = 2;
    overrides.threads = 2;
    host::SceneRender job(scene, overrides);
    host::Film film = job.makeFilm(aovs);
    job.render(film);
    return film;
}

/// Channel `name` of pixel `pixel`.
float channel(const host::Film& film, size_t pixel, const std::string& name) {
    const auto& names = film.extra().names;
    const size_t c = size_t(std::find(names.begin(), names.end(), name) - names.begin());
    EXPECT_LT(c, names.size()) << name;
    return c < names.size() ? film.extra().values[pixel * names.size() + c] : NAN;
}

TEST(Film, LightGroupsAddUpToTheBeautyOnEveryBundledScene) {
    for (const auto& entry : fs::directory_iterator(kScenes)) {
        if (entry.path().extension() != ".json") continue;
        const std::string scene = entry.path().string();
        SCOPED_TRACE(scene);
        const host::Film film = renderFilm(scene, host::kAovAll);
        const host::Film plain = renderFilm(scene, 0);
        std::vector<std::string> groups = {"unlit"};
        for (const std::string& name : film.extra().names)
            if (name.size() > 2 && name.compare(name.size() - 2, 2, ".R") == 0 &&
                name.find("_unfiltered.") == std::string::npos && name != "albedo.R" &&
                name != "unlit.R")
                groups.push_back(name.substr(0, name.size() - 2));
        double lit = 0, all = 0;
        for (int y = 0; y < film.height(); ++y)
            for (int x = 0; x < film.width(); ++x) {
                const RGBA beauty = film.beauty().at(x, y);
                // The channels leave the beauty as a render of the beauty alone has it.
                ASSERT_EQ(std::memcmp(&beauty, &plain.beauty().at(x, y), sizeof(RGBA)), 0)
                    << x << "," << y;
                const size_t pixel = size_t(y) * film.width() + x;
                const float want[] = {beauty.r, beauty.g, beauty.b};
                const char* rgb[] = {".R", ".G", ".B"};
                for (int c = 0; c < 3; ++c) {
                    double sum = 0, size = 0;
                    for (const std::string& group : groups) {
                        const float v = channel(film, pixel, group + rgb[c]);
                        sum += v;
                        size += std::fabs(v);
                        if (group != "unlit" && c == 0) lit += v;
                    }
                    ASSERT_NEAR(sum, want[c], 1e-6 * (1 + size)) << x << "," << y;
                }
                all += beauty.r;
            }
        // The lights, not the remainder, carry a scene lit by lamberts alone.
        if (entry.path().filename() == "blocker.json") {
            EXPECT_GT(lit, 0.99 * all);
        }
    }
}

TEST(Film, UnfilteredGroupIsTheGroupOfARenderWithoutTheFilters) {
    test::ScratchDir scratch;
    nlohmann::json scene;
    std::ifstream(kScenes + "/blocker.json") >> scene;
    scene["lights"][0].erase("filters");
    const std::string bare = scratch.path("bare.json").string();
    std::ofstream(bare) << scene.dump();

    const uint32_t aovs = host::kAovLights | host::kAovUnfiltered;
    const host::Film blocked = renderFilm(kScenes + "/blocker.json", aovs);
    const host::Film open = renderFilm(bare, aovs);
    int shaded = 0;
    for (size_t pixel = 0; pixel < size_t(blocked.width() * blocked.height()); ++pixel)
        for (const char* c : {".R", ".G", ".B"}) {
            const float unfiltered = channel(blocked, pixel, std::string("key_unfiltered") + c);
            ASSERT_EQ(unfiltered, channel(open, pixel, std::string("key") + c)) << pixel;
            ASSERT_EQ(unfiltered, channel(open, pixel, std::string("key_unfiltered") + c));
            shaded += channel(blocked, pixel, std::string("key") + c) < unfiltered;
        }
    // What the blockers took away is the difference.
    EXPECT_GT(shaded, 50);
}

}  // namespace
