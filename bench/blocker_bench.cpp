// Per-evaluation cost of the light blocker for a point outside its outer shape, inside its inner
// shape and in the ramp between, for each shape, beside the cost of the renderer calls that its
// algorithm makes there (local data, one parameter read, and its point and vector transforms),
// measured in one run.
//
// Run under callgrind, each benchmark's timed loop is dumped on its own with its iteration
// count (scripts/performance.sh turns them into instructions per evaluation).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "plugin/renderer.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "support/callgrind_marks.h"
#include "support/heap_counter.h"
#include "support/network.h"
#include "support/ratio_reporter.h"

namespace {

enum Zone { kOutside = 0, kInside = 1, kRamp = 2 };
const char* const kKindNames[] = {"card", "sphere", "box", "cylinder"};
const char* const kZoneNames[] = {"outside", "inside", "ramp"};

// Scale 1, extra scale 2, no rotation, at the origin: points in each zone of each shape.
const Vector kPoints[4][3] = {
    {{3, 0.5f, 0}, {0.2f, 0, 0.1f}, {0.8f, 0.0015f, 0.1f}},  // card
    {{3, 0.5f, 0}, {0.2f, 0, 0.1f}, {1.5f, 0.2f, 0}},        // sphere
    {{3, 0.5f, 0}, {0.2f, 0, 0.1f}, {0.75f, 0.2f, 0}},       // box
    {{3, 0.5f, 0}, {0.2f, 0, 0.1f}, {1.5f, 0.2f, 0}},        // cylinder
};

void addBlocker(test::Network& net, int kind, int decayPower) {
    net.add("orv_blocker", "b");
    net.set("b.bType", kind).set("b.bExtraScale", 2.0f).set("b.bDecayPower", decayPower);
    net.set("b.bFilter", RGB{0.5f, 0.5f, 0.5f});
    net.prepare();
}

void BM_Blocker(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const int zone = static_cast<int>(state.range(1));
    test::Network net;
    addBlocker(net, kind, static_cast<int>(state.range(2)));
    Node* b = net.node("b");
    ShaderGlobals sg = host::blankShaderGlobals();
    sg.point = kPoints[kind][zone];
    host::SampleScope scope(net.thread(0), sg);
    sg.lightIntensity = RGB{1, 1, 1};
    host::evaluateNode(b, &sg);  // set-up
    bench::HeapAllocationScope heap(state);
    CALLGRIND_ZERO_STATS;
    for (auto _ : state) {
        sg.lightIntensity = RGB{1, 1, 1};
        host::evaluateNode(b, &sg);
        benchmark::DoNotOptimize(sg.lightIntensity);
    }
    bench::dumpInstructions(state, "BM_Blocker/" + std::to_string(kind) + "/" +
                                       std::to_string(zone) + "/" + std::to_string(state.range(2)));
}

// The calls the algorithm makes: the local data and bFilter, and one point transform outside
// the outer shape, two inside the inner; in the ramp two more points and two vectors for the
// two surface distances.
void BM_BlockerHostCalls(benchmark::State& state) {
    const int zone = static_cast<int>(state.range(0));
    test::Network net;
    addBlocker(net, 1, 1);
    Node* b = net.node("b");
    ShaderGlobals sg = host::blankShaderGlobals();
    sg.point = kPoints[1][zone];
    host::SampleScope scope(net.thread(0), sg);
    Matrix4 m;
    AiM4RotationX(&m, 30);
    const int points = zone == kOutside ? 1 : zone == kInside ? 2 : 4;
    const int vectors = zone == kRamp ? 2 : 0;
    CALLGRIND_ZERO_STATS;
    for (auto _ : state) {
        benchmark::DoNotOptimize(AiNodeGetLocalData(b));
        benchmark::DoNotOptimize(AiShaderEvalParamFuncRGB(&sg, b, 1));
        Vector out;
        for (int i = 0; i < points; ++i) {
            AiM4PointByMatrixMult(&out, &m, &sg.point);
            benchmark::DoNotOptimize(out);
        }
        for (int i = 0; i < vectors; ++i) {
            AiM4VectorByMatrixMult(&out, &m, &sg.point);
            benchmark::DoNotOptimize(out);
        }
    }
    bench::dumpInstructions(state, "BM_BlockerHostCalls/" + std::to_string(zone));
}

void blockerArgs(benchmark::internal::Benchmark* b) {
    for (int kind = 0; kind < 4; ++kind)
        for (int zone = 0; zone < 3; ++zone) b->Args({kind, zone, 1});
    b->Args({1, kRamp, 3});  // the s-curve with its power
}

BENCHMARK(BM_Blocker)->Apply(blockerArgs)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_BlockerHostCalls)->DenseRange(0, 2)->Unit(benchmark::kNanosecond);

/// A ratio line; under callgrind also the pair's benchmark names, which
/// scripts/performance_report.py matches with the dumps' instruction counts.
void pair(const bench::RatioReporter& r, const std::string& label, const std::string& name,
          const std::string& base) {
    r.printRatio(label, name, "host calls", base);
    if (RUNNING_ON_VALGRIND)
        std::printf("callgrind pair: %s | host calls | %s | %s\n", label.c_str(), name.c_str(),
                    base.c_str());
}

void ratioTable(const bench::RatioReporter& r) {
    for (int kind = 0; kind < 4; ++kind)
        for (int zone = 0; zone < 3; ++zone)
            pair(r, std::string(kKindNames[kind]) + ", " + kZoneNames[zone],
                 "BM_Blocker/" + std::to_string(kind) + "/" + std::to_string(zone) + "/1",
                 "BM_BlockerHostCalls/" + std::to_string(zone));
    pair(r, "sphere, ramp, bDecayPower 3", "BM_Blocker/1/2/3", "BM_BlockerHostCalls/2");
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithRatioTable(argc, argv, 5, ratioTable);
}
