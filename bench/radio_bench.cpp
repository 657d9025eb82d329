// Per-evaluation cost of the radio station and receivers, each beside the cost of the renderer
// calls it cannot avoid, measured in the same run. Evaluations run inside one long sample whose
// ten channels are already published, as for every station or receiver after a sample's first.
// And the host's message store itself, by text and by address, beside a hash map.
//
// The host's message store matches a name by address before text. The module's names and this
// program's are different copies, so the records are published here and every look-up, the
// nodes' and the baselines', is matched by text: both sides pay the same.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>

#include "plugin/renderer.h"
#include "radio/channel_record.h"
#include "shading/message_store.h"
#include "shading/network.h"
#include "shading/sample_arena.h"
#include "shading/sample_state.h"
#include "support/heap_counter.h"
#include "support/network.h"
#include "support/ratio_reporter.h"

using namespace orv;

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
    bench::HeapAllocationScope heap(state);
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
    host::evaluateNode(rc, &sg);
    bench::HeapAllocationScope heap(state);
    for (auto _ : state) {
        host::evaluateNode(rc, &sg);
        benchmark::DoNotOptimize(sg.out);
    }
}

// What a receiver must ask of the renderer: its two parameters and, when tuned, one look-up.
void BM_ReceiverHostCalls(benchmark::State& state) {
    const bool tuned = state.range(0) != 0;
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
        if (!tuned) continue;
        void* found = nullptr;
        AiMessageGetPtrFunc(&sg, channels.names[1], &found);
        benchmark::DoNotOptimize(found);
    }
}

// Ten names published in a store, as a sample's ten channels are; each iteration looks up all
// ten, by other copies of the names (text) or by the published pointers (address).
const char* const kPublished[kChannelCount] = {"CF0", "CF1", "CF2", "CF3", "CF4",
                                               "CF5", "CF6", "CF7", "CF8", "CF9"};

void BM_MessageStoreGet(benchmark::State& state) {
    const bool byAddress = state.range(0) != 0;
    host::SampleArena arena;
    host::MessageStore store;
    int values[kChannelCount];
    for (int c = 0; c < kChannelCount; ++c) store.set(arena, kPublished[c], &values[c]);
    char copies[kChannelCount][4];
    const char* names[kChannelCount];
    for (int c = 0; c < kChannelCount; ++c) {
        for (int i = 0; i < 4; ++i) copies[c][i] = kPublished[c][i];
        names[c] = byAddress ? kPublished[c] : copies[c];
    }
    bench::HeapAllocationScope heap(state);
    for (auto _ : state) {
        for (const char* name : names) {
            benchmark::DoNotOptimize(name);
            void* found = nullptr;
            benchmark::DoNotOptimize(store.get(name, &found));
            benchmark::DoNotOptimize(found);
        }
    }
}

// The same look-ups in a hash map keyed by text, given the names as the store is given them.
void BM_MessageMapFind(benchmark::State& state) {
    std::unordered_map<std::string, void*> map;
    int values[kChannelCount];
    for (int c = 0; c < kChannelCount; ++c) map[kPublished[c]] = &values[c];
    char names[kChannelCount][4];
    for (int c = 0; c < kChannelCount; ++c)
        for (int i = 0; i < 4; ++i) names[c][i] = kPublished[c][i];
    for (auto _ : state) {
        for (const char* name : names) {
            benchmark::DoNotOptimize(name);
            const auto found = map.find(name);
            benchmark::DoNotOptimize(found->second);
        }
    }
}

BENCHMARK(BM_Station)->Arg(0)->Arg(10)->Arg(50)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_StationHostCalls)->Arg(0)->Arg(10)->Arg(50)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Receiver)->Arg(2)->Arg(0)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ReceiverHostCalls)->Arg(1)->Arg(0)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_MessageStoreGet)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_MessageMapFind)->Unit(benchmark::kNanosecond);

void ratioTable(const bench::RatioReporter& r) {
    const std::string calls = "host calls";
    r.printRatio("station, 0 slots (20 look-ups + color)", "BM_Station/0", calls,
                 "BM_StationHostCalls/0");
    r.printRatio("station, 10 slots (20 look-ups + color)", "BM_Station/10", calls,
                 "BM_StationHostCalls/0");
    r.printRatio("station, 50 slots (20 look-ups + color)", "BM_Station/50", calls,
                 "BM_StationHostCalls/0");
    r.printRatio("station, 10 slots (+ 10 slot reads)", "BM_Station/10", calls,
                 "BM_StationHostCalls/10");
    r.printRatio("station, 50 slots (+ 50 slot reads)", "BM_Station/50", calls,
                 "BM_StationHostCalls/50");
    r.printRatio("receiver, tuned (1 look-up + 2 reads)", "BM_Receiver/2", calls,
                 "BM_ReceiverHostCalls/1");
    r.printRatio("receiver, untuned (2 reads)", "BM_Receiver/0", calls, "BM_ReceiverHostCalls/0");
    r.printRatio("message store, 10 look-ups by text", "BM_MessageStoreGet/0", "unordered_map",
                 "BM_MessageMapFind");
    r.printRatio("message store, 10 look-ups by address", "BM_MessageStoreGet/1", "unordered_map",
                 "BM_MessageMapFind");
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithRatioTable(argc, argv, 5, ratioTable);
}
