// Render time against the size of the job, each scene rendered as orv-render renders it (read,
// checked, set up, then the bucket renderer, on one thread): the demo scene against its pixel
// count and its camera samples per pixel, and small generated scenes against the glossy family
// size of an orv_trace and the number of tuned slots of a radio station. CPU time of the whole
// process, so that the render threads are counted; after the runs, each family's exponent.
// The generated shot (support/shot_scene.h), in a small frame, against its triangles, its
// lights (each with a blocker) and its glossy family size; and its reading and building
// against its triangles.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "render/image_buffer.h"
#include "render/scene_render.h"
#include "support/growth_reporter.h"
#include "support/shot_scene.h"
#include "universe/plugin_search.h"

namespace {

/// A glossy ball filling most of the frame over a lit checker floor: the family's rays are
/// most of the work.
std::string glossyScene(int family) {
    return R"({
  "options": {"xres": 48, "yres": 36, "samples": 1, "rayDepth": 2, "background": "sky"},
  "camera": {"position": [0, 1, 3.2], "lookAt": [0, 1, 0], "fov": 40},
  "objects": [
    {"type": "plane", "name": "floor", "shader": "floorSurface"},
    {"type": "sphere", "name": "ball", "shader": "glossy", "translate": [0, 1, 0]}
  ],
  "lights": [{"type": "point", "position": [2, 6, 5], "intensity": 70}],
  "nodes": [
    {"type": "environment", "name": "sky"},
    {"type": "checker", "name": "tiles", "frequency": 2},
    {"type": "lambert", "name": "floorSurface", "color": {"link": "tiles"}},
    {"type": "orv_trace", "name": "glossyTrace", "rayType": 1, "direction": 1, "glossy": true,
     "samples": )" +
           std::to_string(family) + R"(, "spread": 0.2},
    {"type": "flat", "name": "glossy", "color": {"link": "glossyTrace"}}
  ]
})";
}

/// A floor whose lit colour comes through a station with `slots` tuned slots (filled kind by
/// kind, ten of each), and a receiver of its first channel feeding the station's input.
std::string stationScene(int slots) {
    const char* const kinds[][3] = {{"colors", "color", "[0.9, 0.4, 0.1, 1]"},
                                    {"scalars", "scalar", "0.5"},
                                    {"integers", "integer", "2"},
                                    {"booleans", "boolean", "true"},
                                    {"vectors", "vector", "[0, 1, 0]"}};
    std::string station = R"({"type": "orv_radio_station", "name": "st", "color": {"link": "rx"})";
    for (int s = 0; s < slots; ++s) {
        const auto& kind = kinds[s / 10];
        const std::string i = std::to_string(s % 10);
        station += std::string(", \"") + kind[0] + i + "\": " + kind[2] + ", \"" + kind[1] + i +
                   "Freq\": " + std::to_string(s % 10 + 1);
    }
    return R"({
  "options": {"xres": 64, "yres": 48, "samples": 1},
  "camera": {"position": [0, 3, 3], "lookAt": [0, 0, 0], "fov": 50},
  "objects": [{"type": "plane", "name": "floor", "shader": "surface", "size": 40}],
  "lights": [{"type": "point", "position": [1, 5, 2], "intensity": 40}],
  "nodes": [
    {"type": "orv_radio_color", "name": "rx", "color": [0.5, 0.5, 0.5, 1], "frequency": 1},
    )" + station +
           R"(},
    {"type": "lambert", "name": "surface", "color": {"link": "st"}}
  ]
})";
}

/// A scene file for the length of one benchmark, in the temporary folder.
class SceneFile {
  public:
    SceneFile(const std::string& stem, const std::string& text)
        : path_(std::filesystem::temp_directory_path() /
                ("orv-bench-growth-" + std::to_string(getpid()) + "-" + stem + ".json")) {
        std::ofstream(path_) << text;
    }
    ~SceneFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    SceneFile(const SceneFile&) = delete;
    SceneFile& operator=(const SceneFile&) = delete;
    std::string path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

std::string demoScene() {
    return host::dataDir() + "/scenes/demo.json";
}

/// Sets the scene up once, then renders it again each iteration; `size` is the growth size.
void renderLoop(benchmark::State& state, const std::string& scenePath,
                host::RenderOverrides overrides, int64_t size) {
    overrides.threads = 1;
    const host::SceneRender job(scenePath, overrides);
    host::ImageBuffer image(job.window().width(), job.window().height());
    for (auto _ : state) {
        const host::RenderStats stats = job.render(image);
        benchmark::DoNotOptimize(stats.samples);
    }
    bench::setGrowthSize(state, size);
}

/// The demo at 4:3 sizes from range(0) pixels wide, one sample per pixel.
void BM_Pixels(benchmark::State& state) {
    host::RenderOverrides overrides;
    overrides.width = static_cast<int>(state.range(0));
    overrides.height = overrides.width * 3 / 4;
    overrides.samples = 1;
    renderLoop(state, demoScene(), overrides, int64_t{overrides.width} * int64_t{overrides.height});
}

/// The demo at 64x48 with range(0) camera samples per pixel.
void BM_SamplesPerPixel(benchmark::State& state) {
    host::RenderOverrides overrides;
    overrides.width = 64;
    overrides.height = 48;
    overrides.samples = static_cast<int>(state.range(0));
    renderLoop(state, demoScene(), overrides, state.range(0));
}

void BM_GlossyFamily(benchmark::State& state) {
    const int family = static_cast<int>(state.range(0));
    const SceneFile file("glossy" + std::to_string(family), glossyScene(family));
    renderLoop(state, file.path(), {}, family);
}

void BM_StationSlots(benchmark::State& state) {
    const int slots = static_cast<int>(state.range(0));
    const SceneFile file("station" + std::to_string(slots), stationScene(slots));
    renderLoop(state, file.path(), {}, slots);
}

/// The shot in a small frame, one sample per pixel, as makeShot sets it otherwise.
bench::ShotParams smallShot() {
    bench::ShotParams params;
    params.width = 96;
    params.height = 54;
    params.samples = 1;
    params.triangles = 100'000;
    return params;
}

void shotLoop(benchmark::State& state, const bench::ShotParams& params, int64_t size) {
    const bench::TemporaryFolder folder("orv-bench-growth-shot");
    renderLoop(state, bench::makeShot(folder.path(), params), {}, size);
}

void BM_ShotTriangles(benchmark::State& state) {
    bench::ShotParams params = smallShot();
    params.triangles = state.range(0);
    shotLoop(state, params, state.range(0));
}

void BM_ShotLights(benchmark::State& state) {
    bench::ShotParams params = smallShot();
    params.lights = static_cast<int>(state.range(0));
    shotLoop(state, params, state.range(0));
}

void BM_ShotGlossyFamily(benchmark::State& state) {
    bench::ShotParams params = smallShot();
    params.glossySamples = static_cast<int>(state.range(0));
    shotLoop(state, params, state.range(0));
}

/// Reading the shot's scene and meshes, building its geometry and setting its nodes up.
void BM_ShotBuild(benchmark::State& state) {
    bench::ShotParams params = smallShot();
    params.triangles = state.range(0);
    const bench::TemporaryFolder folder("orv-bench-growth-shot");
    const std::string scene = bench::makeShot(folder.path(), params);
    host::RenderOverrides overrides;
    overrides.threads = 1;
    for (auto _ : state) {
        const host::SceneRender job(scene, overrides);
        benchmark::DoNotOptimize(job.width());
    }
    bench::setGrowthSize(state, state.range(0));
}

// Short points: the whole program, three repetitions of each, stays within a couple of minutes.
void shortPoints(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->MinTime(0.2)->MeasureProcessCPUTime();
}

BENCHMARK(BM_Pixels)->Arg(48)->Arg(68)->Arg(96)->Arg(136)->Arg(192)->Apply(shortPoints);
BENCHMARK(BM_SamplesPerPixel)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Apply(shortPoints);
BENCHMARK(BM_GlossyFamily)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Apply(shortPoints);
BENCHMARK(BM_StationSlots)->Arg(1)->Arg(3)->Arg(10)->Arg(25)->Arg(50)->Apply(shortPoints);
// 10^4 to 10^6 triangles in half decades.
BENCHMARK(BM_ShotTriangles)
    ->Arg(10'000)
    ->Arg(31'623)
    ->Arg(100'000)
    ->Arg(316'228)
    ->Arg(1'000'000)
    ->Apply(shortPoints);
BENCHMARK(BM_ShotLights)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->Arg(64)
    ->Apply(shortPoints);
BENCHMARK(BM_ShotGlossyFamily)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Apply(shortPoints);
BENCHMARK(BM_ShotBuild)
    ->Arg(10'000)
    ->Arg(31'623)
    ->Arg(100'000)
    ->Arg(316'228)
    ->Arg(1'000'000)
    ->Apply(shortPoints);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGrowthTable(argc, argv,
                                     "size (pixels, samples, rays, slots, triangles, lights)");
}
