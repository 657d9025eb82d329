// The cost of the film's channels: the demo scene rendered with the beauty alone and with every
// channel, on one thread, measured in one run.
#include <benchmark/benchmark.h>

#include <string>

#include "render/film.h"
#include "render/scene_render.h"
#include "support/heap_counter.h"
#include "support/ratio_reporter.h"
#include "universe/plugin_search.h"

namespace {

/// range(0): 0 the beauty alone, 1 every channel. Heap allocations count per render (the
/// threads' records and sums), not per sample.
void BM_Film(benchmark::State& state) {
    host::RenderOverrides overrides;
    overrides.width = 96;
    overrides.height = 72;
    overrides.samples = 2;
    overrides.threads = 1;
    const host::SceneRender job(host::dataDir() + "/scenes/demo.json", overrides);
    host::Film film = job.makeFilm(state.range(0) ? uint32_t(host::kAovAll) : 0u);
    job.render(film);  // warms the thread's arena and the nodes
    bench::HeapAllocationScope heap(state);
    for (auto _ : state) {
        job.render(film);
        benchmark::DoNotOptimize(film.beauty().data());
    }
}

// The render runs on a thread of its own: its CPU time is the process's.
BENCHMARK(BM_Film)->DenseRange(0, 1)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void ratioTable(const bench::RatioReporter& r) {
    r.printRatio("every channel", "BM_Film/1/process_time", "the beauty alone",
                 "BM_Film/0/process_time");
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithRatioTable(argc, argv, 5, ratioTable);
}
