// Per-evaluation cost of the radio station and receivers, each beside the cost of the renderer
// calls it cannot avoid, measured in the same run. Evaluations run inside one long sample whose
// ten channels are already published, as for every station or receiver after a sample's first.
//
// The host's message store matches a name by address before text. The module's names and this
// program's are different copies, so the records are published here and every look-up, the
// nodes' and the baselines', is matched by text: both sides pay the same.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "plugin/renderer.h"
#include "radio/channel_names.h"
#include "radio/channel_record.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "support/network.h"

namespace {

/// Ten records published under this program's names, and copies of the names for look-ups.
struct PublishedChannels {
    ChannelRecord records[kChannelCount];
    char names[kChannelCount][4];
    explicit PublishedChannels(ShaderGlobals* sg) {
        for (int c = 0; c < kChannelCount; ++c) {
            AiMessageSetPtrFunc(sg, channelNames[c], &records[c]);
            for (int i = 0; i < 4; ++i) names[c][i] = channelNames[c][i];
        }
    }
};

const char* const kKinds[] = {"color", "scalar", "integer", "boolean", "vector"};

// A station with `tuned` slots on, spread over the kinds (slot 0 of each kind, then slot 1,
// ...), on frequencies 1 .. 10 in turn; its `color` is its own value.
void addStation(test::Network& net, int tuned) {
    net.add("orv_radio_station", "st");
    for (int k = 0; k < tuned; ++k)
        net.set("st." + std::string(kKinds[k % 5]) + std::to_string(k / 5) + "Freq", 1 + k % 10);
    net.prepare();
}

// The value parameter indices of the first `tuned` slots, in the order addStation tunes them.
int slotValueParam(int k) {
    return 1 + (k % 5) * 20 + k / 5;
}

void BM_Station(benchmark::State& state) {
    const int tuned = static_cast<int>(state.range(0));
    test::Network net;
    addStation(net, tuned);
    Node* st = net.node("st");
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    PublishedChannels channels(&sg);
    host::evaluateNode(st, &sg);  // the set-up
    for (auto _ : state) {
        host::evaluateNode(st, &sg);
        benchmark::DoNotOptimize(sg.out);
    }
}

// What the station must ask of the renderer per evaluation: twenty look-ups and `color`, and,
// for `tuned` above 0, one value read per tuned slot.
void BM_StationHostCalls(benchmark::State& state) {
    const int tuned = static_cast<int>(state.range(0));
    test::Network net;
    addStation(net, tuned);
    Node* st = net.node("st");
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    PublishedChannels channels(&sg);
    host::evaluateNode(st, &sg);
    for (auto _ : state) {
        void* found = nullptr;
        for (int pass = 0; pass < 2; ++pass)
            for (int c = 0; c < kChannelCount; ++c) {
                AiMessageGetPtrFunc(&sg, channels.names[c], &found);
                benchmark::DoNotOptimize(found);
            }
        for (int k = 0; k < tuned; ++k) {
            const int index = slotValueParam(k);
            switch (k % 5) {
                case 0:
                    benchmark::DoNotOptimize(AiShaderEvalParamFuncRGBA(&sg, st, index));
                    break;
                case 1:
                    benchmark::DoNotOptimize(AiShaderEvalParamFuncFlt(&sg, st, index));
                    break;
                case 2:
                    benchmark::DoNotOptimize(AiShaderEvalParamFuncInt(&sg, st, index));
                    break;
                case 3:
                    benchmark::DoNotOptimize(AiShaderEvalParamFuncBool(&sg, st, index));
                    break;
                default:
                    benchmark::DoNotOptimize(AiShaderEvalParamFuncVec(&sg, st, index));
                    break;
            }
        }
        benchmark::DoNotOptimize(AiShaderEvalParamFuncRGBA(&sg, st, 0));
    }
}

// A colour receiver, on channel 1 (frequency 2, which carries a colour) or untuned.
void BM_Receiver(benchmark::State& state) {
    const int frequency = static_cast<int>(state.range(0));
    test::Network net;
    net.add("orv_radio_color", "rc");
    net.set("rc.frequency", frequency);
    net.prepare();
    Node* rc = net.node("rc");
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    PublishedChannels channels(&sg);
    channels.records[1].setColor(RGBA{0.5f, 0.25f, 0.125f, 1});
    for (auto _ : state) {
        host::evaluateNode(rc, &sg);
        benchmark::DoNotOptimize(sg.out);
    }
}

// What a receiver must ask of the renderer: its two parameters and one look-up.
void BM_ReceiverHostCalls(benchmark::State& state) {
    test::Network net;
    net.add("orv_radio_color", "rc");
    net.set("rc.frequency", 2);
    net.prepare();
    Node* rc = net.node("rc");
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    PublishedChannels channels(&sg);
    channels.records[1].setColor(RGBA{0.5f, 0.25f, 0.125f, 1});
    for (auto _ : state) {
        benchmark::DoNotOptimize(AiShaderEvalParamFuncInt(&sg, rc, 1));
        benchmark::DoNotOptimize(AiShaderEvalParamFuncRGBA(&sg, rc, 0));
        void* found = nullptr;
        AiMessageGetPtrFunc(&sg, channels.names[1], &found);
        benchmark::DoNotOptimize(found);
    }
}

BENCHMARK(BM_Station)->Arg(0)->Arg(10)->Arg(50)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_StationHostCalls)->Arg(0)->Arg(10)->Arg(50)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Receiver)->Arg(2)->Arg(0)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ReceiverHostCalls)->Unit(benchmark::kNanosecond);

/// Keeps each run's time per iteration so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;
};

void printRatio(const RatioReporter& r, const char* label, const char* name, const char* base) {
    const auto a = r.nanoseconds.find(name);
    const auto b = r.nanoseconds.find(base);
    if (a == r.nanoseconds.end() || b == r.nanoseconds.end()) return;
    std::printf("%-44s %8.1f ns  host calls %8.1f ns  ratio %5.2f\n", label, a->second, b->second,
                a->second / b->second);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratio = evaluation / the renderer calls it must make, same run\n");
    printRatio(reporter, "station, 0 slots (20 look-ups + color)", "BM_Station/0",
               "BM_StationHostCalls/0");
    printRatio(reporter, "station, 10 slots (20 look-ups + color)", "BM_Station/10",
               "BM_StationHostCalls/0");
    printRatio(reporter, "station, 50 slots (20 look-ups + color)", "BM_Station/50",
               "BM_StationHostCalls/0");
    printRatio(reporter, "station, 10 slots (+ 10 slot reads)", "BM_Station/10",
               "BM_StationHostCalls/10");
    printRatio(reporter, "station, 50 slots (+ 50 slot reads)", "BM_Station/50",
               "BM_StationHostCalls/50");
    printRatio(reporter, "receiver, tuned (1 look-up + 2 reads)", "BM_Receiver/2",
               "BM_ReceiverHostCalls");
    printRatio(reporter, "receiver, untuned (1 look-up + 2 reads)", "BM_Receiver/0",
               "BM_ReceiverHostCalls");
    benchmark::Shutdown();
    return 0;
}
