// The live session's speed and memory: from an edit of a shader or blocker parameter to the
// first refreshed image of the demo at 640x480; the full refinement beside a batch render of the
// same samples; an edit to one object against the scene's size; a thousand edits' memory.
// Lines starting "figure:" carry a measure and its unit for scripts/performance_report.py.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "live/live_session.h"
#include "render/film.h"
#include "render/scene_render.h"
#include "support/growth_reporter.h"
#include "support/ratio_reporter.h"
#include "support/shot_scene.h"
#include "universe/plugin_search.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kThreads = 2;

std::string demoScene() {
    return host::dataDir() + "/scenes/demo.json";
}

/// A session and the newest pass it reported, for waiting on a given generation's passes.
class Watched {
  public:
    Watched(const std::string& scene, const std::vector<nlohmann::json>& setUp)
        : session_(scene, options()) {
        for (const nlohmann::json& edit : setUp) session_.apply(edit);
        session_.start([this](const host::PassInfo& info) {
            std::lock_guard<std::mutex> lock(mutex_);
            latest_ = info;
            passed_.notify_all();
        });
    }
    host::LiveSession& session() { return session_; }
    /// Waits for the newest refinement to be final; false after a minute.
    bool settle() { return session_.waitFinal(60.0); }

    /// Waits until generation `generation` has finished pass `pass` (0: its last); false after
    /// a minute without it.
    bool waitFor(uint64_t generation, int pass) {
        std::unique_lock<std::mutex> lock(mutex_);
        return passed_.wait_for(lock, std::chrono::seconds(60), [&] {
            return latest_.generation > generation ||
                   (latest_.generation == generation &&
                    (pass == 0 ? latest_.final : latest_.pass >= pass));
        });
    }

  private:
    static host::LiveOptions options() {
        host::LiveOptions o;
        o.threads = kThreads;
        return o;
    }
    std::mutex mutex_;
    std::condition_variable passed_;
    host::PassInfo latest_;
    host::LiveSession session_;  ///< last: it goes first, with the thread that calls back
};

nlohmann::json setEdit(const std::string& node, const std::string& param, nlohmann::json value) {
    return {{"op", "set"}, {"node", node}, {"param", param}, {"value", std::move(value)}};
}

const std::vector<nlohmann::json> kDemo640 = {setEdit("options", "xres", 640),
                                              setEdit("options", "yres", 480)};

/// Edit-to-image times of each kind of edit: every edit's, in milliseconds.
std::vector<double> editTimes[2];

/// range(0): 0 a shader parameter (the floor checker's frequency), 1 a blocker parameter (the
/// card's bExtraScale). Real time from the edit to the first pass's PNG, as the page's server
/// fetches it after the pass's event; twenty edits, each let finish its refinement before the
/// next. The median is the figure: a loaded machine's slow edits weigh nothing in it.
void BM_EditToFirstImage(benchmark::State& state) {
    Watched live(demoScene(), kDemo640);
    live.settle();
    const bool blocker = state.range(0) != 0;
    std::vector<double>& times = editTimes[blocker ? 1 : 0];
    int flip = 0;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            flip ^= 1;
            const nlohmann::json edit =
                blocker ? setEdit("shadowCard", "bExtraScale", flip ? 2.6 : 2.4)
                        : setEdit("floorChecker", "frequency", flip ? 2.0 : 1.0);
            const Clock::time_point start = Clock::now();
            const host::EditResult result = live.session().apply(edit);
            if (!result.ok || !live.waitFor(result.generation, 1)) {
                state.SkipWithError("the edit brought no image");
                return;
            }
            std::string png;
            host::PassInfo info;
            live.session().latestPng("beauty", 0.0f, &png, &info);
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            benchmark::DoNotOptimize(png.data());
            // The rest of the refinement is not what this measures.
            live.waitFor(result.generation, 0);
        }
    }
}
BENCHMARK(BM_EditToFirstImage)->DenseRange(0, 1)->Iterations(1)->Unit(benchmark::kMillisecond);

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

/// From an edit to the final pass: the preview, then the whole frame at the scene's samples.
/// Process CPU time (the render threads' too), and the real time kept beside it.
void BM_LiveRefinement(benchmark::State& state) {
    Watched live(demoScene(), kDemo640);
    live.settle();
    int flip = 0;
    for (auto _ : state) {
        flip ^= 1;
        const host::EditResult result =
            live.session().apply(setEdit("shadowCard", "bExtraScale", flip ? 2.6 : 2.4));
        if (!result.ok || !live.waitFor(result.generation, 0)) {
            state.SkipWithError("the refinement did not finish");
            return;
        }
    }
}
BENCHMARK(BM_LiveRefinement)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

/// The same frame, samples and threads rendered as orv-render renders it.
void BM_BatchRender(benchmark::State& state) {
    host::RenderOverrides overrides;
    overrides.width = 640;
    overrides.height = 480;
    overrides.threads = kThreads;
    const host::SceneRender job(demoScene(), overrides);
    host::Film film = job.makeFilm(job.aovs());
    for (auto _ : state) {
        job.render(film);
        benchmark::DoNotOptimize(film.beauty().data());
    }
}
BENCHMARK(BM_BatchRender)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

/// A scene of `objects` small spheres in a grid under one light, 160x120 at one sample.
std::string writeGrid(const std::string& folder, int objects) {
    nlohmann::ordered_json scene;
    scene["options"] = {{"xres", 160}, {"yres", 120}, {"samples", 1}, {"threads", kThreads}};
    scene["camera"] = {{"position", {0, 60, 90}}, {"lookAt", {0, 0, 0}}, {"fov", 60}};
    const int side = static_cast<int>(std::ceil(std::sqrt(objects)));
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int i = 0; i < objects; ++i)
        list.push_back({{"type", "sphere"},
                        {"name", "ball" + std::to_string(i)},
                        {"shader", "paint"},
                        {"radius", 0.4},
                        {"translate", {i % side - side / 2, 0, i / side - side / 2}}});
    scene["objects"] = list;
    scene["lights"] = {
        {{"type", "point"}, {"name", "lamp"}, {"position", {0, 40, 20}}, {"intensity", 2000}}};
    scene["nodes"] = {{{"type", "lambert"}, {"name", "paint"}, {"color", {0.6, 0.5, 0.4}}}};
    const std::string path = folder + "/grid" + std::to_string(objects) + ".json";
    std::ofstream(path) << scene.dump(1);
    return path;
}

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

/// Per scene size, the least over the repetitions of an edit's mean CPU time, in ms: the whole
/// edit's, and the ray tracer's scene commit within it.
struct EditSplit {
    double edit = -1, commit = -1;
};
std::map<int, EditSplit> editSplits;

/// range(0) objects; one of them moved by each edit. The calling thread's CPU time is the
/// edit's own work (the session applies it there); the first image of each is waited for.
/// The ray tracer's scene commit, which spans every object, is timed apart.
void BM_ObjectEdit(benchmark::State& state) {
    const int objects = static_cast<int>(state.range(0));
    bench::TemporaryFolder folder("orv-bench-live");
    Watched live(writeGrid(folder.path(), objects), {});
    live.settle();
    const std::string moved = "ball" + std::to_string(objects / 2);
    // The session's first edit reads the scene whole once (what its first read reported is
    // learnt then); the figure is the edits after it.
    const host::EditResult first = live.session().apply(setEdit(moved, "translate", {0, 2, 0}));
    if (!first.ok || !live.waitFor(first.generation, 1)) {
        state.SkipWithError("the edit brought no image");
        return;
    }
    int flip = 0;
    double edit = 0, commit = 0;
    for (auto _ : state) {
        flip ^= 1;
        const double start = threadSeconds();
        const host::EditResult result =
            live.session().apply(setEdit(moved, "translate", {0, flip ? 1 : 0, 0}));
        edit += threadSeconds() - start;
        commit += live.session().lastGeometrySeconds();
        if (!result.ok || !live.waitFor(result.generation, 1)) {
            state.SkipWithError("the edit brought no image");
            return;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["commit_ms"] = 1e3 * commit / n;
    state.counters["host_ms"] = 1e3 * (edit - commit) / n;
    EditSplit& least = editSplits[objects];
    if (least.edit < 0 || 1e3 * edit / n < least.edit) least = {1e3 * edit / n, 1e3 * commit / n};
    bench::setGrowthSize(state, objects);
}
BENCHMARK(BM_ObjectEdit)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);

/// What a thousand edits leave behind.
struct Memory {
    bool measured = false;
    double residentBefore = 0, residentAfter = 0;  ///< MB
    double heapBefore = 0, heapAfter = 0;          ///< MB in use by malloc
    size_t undoSteps = 0, undoLimit = 0;
} memory;

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096.0 / (1024.0 * 1024.0);
}
double heapMegabytes() {
    return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

/// A session on the demo: a hundred edits to warm it, then a thousand more; memory between.
void BM_ThousandEdits(benchmark::State& state) {
    Watched live(demoScene(), {});
    auto edits = [&](int count) {
        for (int i = 0; i < count; ++i)
            live.session().apply(setEdit("shadowCard", "bExtraScale", 2.0 + 0.001 * (i % 500)));
        live.settle();
    };
    for (auto _ : state) {
        edits(100);
        malloc_trim(0);
        memory.residentBefore = residentMegabytes();
        memory.heapBefore = heapMegabytes();
        edits(1000);
        malloc_trim(0);
        memory.residentAfter = residentMegabytes();
        memory.heapAfter = heapMegabytes();
        memory.undoSteps = live.session().undoSteps();
        memory.undoLimit = host::LiveOptions().undoLimit;
        memory.measured = true;
    }
}
BENCHMARK(BM_ThousandEdits)->Iterations(1)->Unit(benchmark::kMillisecond);

void figure(const char* what, double value, const char* unit) {
    if (value >= 0) std::printf("figure: %s = %.3g %s\n", what, value, unit);
}

void table(const bench::RatioReporter& r) {
    figure("edit of a shader parameter to the first refreshed image (demo, 640x480), median",
           median(editTimes[0]), "ms");
    figure("edit of a blocker parameter to the first refreshed image (demo, 640x480), median",
           median(editTimes[1]), "ms");
    for (int kind = 0; kind < 2; ++kind) {
        if (editTimes[kind].empty()) continue;
        std::printf("edits of a %s parameter to the first image, in order (ms):",
                    kind ? "blocker" : "shader");
        for (double ms : editTimes[kind]) std::printf(" %.0f", ms);
        std::printf("\n");
    }
    r.printRatio("live refinement (CPU)", "BM_LiveRefinement/process_time", "batch render",
                 "BM_BatchRender/process_time");
    const double live = r.leastRealNanoseconds("BM_LiveRefinement/process_time");
    const double batch = r.leastRealNanoseconds("BM_BatchRender/process_time");
    if (live > 0 && batch > 0) {
        std::printf("%-44s %9.1f ms  %-24s %9.1f ms  ratio %5.2f\n", "live refinement (real time)",
                    live, "batch render", batch, live / batch);
    }
    std::vector<std::pair<double, double>> points;
    for (int n : {1000, 3000, 10000}) {
        const double ms = r.leastNanoseconds("BM_ObjectEdit/" + std::to_string(n));
        if (ms > 0) points.emplace_back(n, ms);
    }
    if (points.size() >= 2) {
        figure("edit to one object, CPU time at 10,000 objects", points.back().second, "ms");
        figure("edit to one object, growth exponent over 1,000 to 10,000 objects",
               bench::growthExponent(points), "(slope)");
    }
    std::vector<std::pair<double, double>> host, commit;
    for (const auto& [n, split] : editSplits) {
        std::printf(
            "edit to one object of %5d: %7.3f ms CPU, of which the ray tracer's commit "
            "%7.3f ms and the session's own %7.3f ms\n",
            n, split.edit, split.commit, split.edit - split.commit);
        host.emplace_back(n, split.edit - split.commit);
        commit.emplace_back(n, split.commit);
    }
    if (host.size() >= 2) {
        figure("edit to one object, the session's own CPU time (without the commit) at 10,000",
               host.back().second, "ms");
        figure("edit to one object, the session's own CPU time, growth exponent",
               bench::growthExponent(host), "(slope)");
        figure("edit to one object, the ray tracer's scene commit, growth exponent",
               bench::growthExponent(commit), "(slope)");
    }
    if (memory.measured) {
        figure("resident memory growth over 1,000 edits (after 100)",
               memory.residentAfter - memory.residentBefore, "MB");
        figure("heap in use, growth over 1,000 edits (after 100)",
               memory.heapAfter - memory.heapBefore, "MB");
        figure("undo steps kept after 1,100 edits", static_cast<double>(memory.undoSteps),
               ("(limit " + std::to_string(memory.undoLimit) + ")").c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithRatioTable(argc, argv, 3, table);
}
