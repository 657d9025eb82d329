// What orv-shade --explain costs. Off, the host's hot paths test a per-thread pointer and go
// on: node evaluation through the host beside the node's callback called directly, and a
// message look-up through the renderer call beside the store's own, show that test's price.
// On, a station network per sample shows what recording costs.
#include <benchmark/benchmark.h>

#include "plugin/renderer.h"
#include "radio/channel_record.h"
#include "shading/explain_recorder.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "support/network.h"
#include "universe/node.h"

using namespace orv;

namespace {

// A colour receiver on channel 0; nothing is published, so it looks up and falls back.
void addReceiver(test::Network& net) {
    net.add("orv_radio_color", "rc");
    net.set("rc.frequency", 1);
    net.prepare();
}

void BM_ReceiverThroughHost(benchmark::State& state) {
    test::Network net;
    addReceiver(net);
    Node* rc = net.node("rc");
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    for (auto _ : state) {
        host::evaluateNode(rc, &sg);
        benchmark::DoNotOptimize(sg.out);
    }
}

void BM_ReceiverCallbackDirect(benchmark::State& state) {
    test::Network net;
    addReceiver(net);
    Node* rc = net.node("rc");
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    const ShaderEvaluateFn evaluate = rc->type->methods->shader->evaluate;
    for (auto _ : state) {
        evaluate(rc, &sg);
        benchmark::DoNotOptimize(sg.out);
    }
}

void BM_LookupThroughRendererCall(benchmark::State& state) {
    test::Network net(false);
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    int record = 0;
    AiMessageSetPtrFunc(&sg, channelNames[3], &record);
    for (auto _ : state) {
        void* found = nullptr;
        benchmark::DoNotOptimize(AiMessageGetPtrFunc(&sg, channelNames[3], &found));
        benchmark::DoNotOptimize(found);
    }
}

void BM_LookupInStore(benchmark::State& state) {
    test::Network net(false);
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    int record = 0;
    AiMessageSetPtrFunc(&sg, channelNames[3], &record);
    // A key the compiler cannot fold into the inlined look-up, as no node's is.
    const char* name = channelNames[3];
    benchmark::DoNotOptimize(name);
    for (auto _ : state) {
        void* found = nullptr;
        benchmark::DoNotOptimize(sg.host->messages.get(name, &found));
        benchmark::DoNotOptimize(found);
    }
}

// A station broadcasting a colour on channel 0 to the receiver in its input, one fresh sample
// per evaluation (so the station publishes its ten channels each time); range(0) = 1 records.
void BM_StationSample(benchmark::State& state) {
    test::Network net;
    net.add("orv_radio_station", "st");
    addReceiver(net);
    net.set("st.color0Freq", 1).link("st.color", "rc");
    net.prepare();
    Node* st = net.node("st");
    host::ThreadContext& thread = net.thread(0);
    host::ExplainRecorder recorder;
    if (state.range(0)) thread.explain = &recorder;
    for (auto _ : state) {
        recorder.clear();
        ShaderGlobals sg = host::blankShaderGlobals();
        host::SampleScope scope(thread, sg);
        host::evaluateNode(st, &sg);
        benchmark::DoNotOptimize(sg.out);
    }
    thread.explain = nullptr;
}

}  // namespace

BENCHMARK(BM_ReceiverThroughHost);
BENCHMARK(BM_ReceiverCallbackDirect);
BENCHMARK(BM_LookupThroughRendererCall);
BENCHMARK(BM_LookupInStore);
BENCHMARK(BM_StationSample)->ArgName("explain")->Arg(0)->Arg(1);
BENCHMARK_MAIN();
