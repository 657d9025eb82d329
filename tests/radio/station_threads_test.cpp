// The station across render threads: any thread index, one set-up per update however many
// threads race for it, many update cycles, and re-entrant evaluation.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "radio_test_nodes.h"
#include "shading/network.h"
#include "universe/node.h"

namespace {

using radiotest::evaluateWithin;
using radiotest::publishedChannel;
using radiotest::RadioNet;

// st broadcasts colors0 on frequency 1; its input is rc, a colour receiver on frequency 1.
void addBroadcast(RadioNet& net) {
    net.add("orv_radio_station", "st");
    net.add("orv_radio_color", "rc");
    net.set("rc.frequency", 1);
    net.set("rc.color", RGBA{0, 0, 0, 0});
    net.set("st.colors0", RGBA{0.25f, 0.5f, 0.75f, 1});
    net.set("st.color0Freq", 1);
    net.link("st.color", "rc");
}

TEST(RadioStationThreads, EveryThreadIndexBroadcastsWhateverThreadsSays) {
    // The "threads" option may be 0 or negative, or lower than the threads that run: no thread
    // index may select anything sized by it.
    for (int threads : {0, -3, 1, 2}) {
        RadioNet net;
        addBroadcast(net);
        net.setThreads(threads);
        net.prepare();
        for (int index : {0, 1, 7, 200, 255}) {
            host::ThreadContext thread(static_cast<uint8_t>(index));
            ShaderGlobals sg = host::blankShaderGlobals();
            host::SampleScope scope(thread, sg);
            EXPECT_EQ(evaluateWithin(&sg, net.node("st")).rgba.g, 0.5f) << threads << " " << index;
            for (int c = 0; c < 10; ++c) {
                const orv::ChannelRecord* record = publishedChannel(&sg, c);
                ASSERT_NE(record, nullptr) << c;
                EXPECT_EQ(record->hasColor, 0) << "restored once the station returns";
            }
        }
    }
}

TEST(RadioStationThreads, ThreadsRacingTheFirstEvaluationRunTheSetupOnce) {
    RadioNet net;
    addBroadcast(net);
    net.add("test_hook_int", "freq");
    net.set("freq.value", 1);
    net.link("st.color0Freq", "freq");
    net.setThreads(2);
    // A slow frequency network widens the window in which the other thread arrives.
    net.hook("freq").run = [](ShaderGlobals*) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    constexpr int kThreads = 4;
    constexpr int kRounds = 8;
    constexpr int kSamples = 200;
    for (int t = 0; t < kThreads; ++t) net.thread(t);
    for (int round = 0; round < kRounds; ++round) {
        net.set("st.colors0", RGBA{0.25f, 0.5f, 0.01f * round, 1});
        net.prepare();  // update: the next evaluations set up again
        std::atomic<int> ready{0};
        std::atomic<int> wrong{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < kThreads; ++t)
            workers.emplace_back([&, t] {
                ready.fetch_add(1);
                while (ready.load() < kThreads) std::this_thread::yield();
                for (int s = 0; s < kSamples; ++s)
                    if (net.shade("st", t).rgba.b != 0.01f * round) wrong.fetch_add(1);
            });
        for (std::thread& w : workers) w.join();
        EXPECT_EQ(wrong.load(), 0) << round;
        EXPECT_EQ(net.hook("freq").evaluations.load(), round + 1) << round;
    }
}

TEST(RadioStationThreads, ThreadThatFindsTheFlagSetSeesTheCompleteSetup) {
    // The second thread takes no lock: only the flag's release and acquire order the set-up's
    // writes before its reads (the test's own signal is relaxed, so it orders nothing; a thread
    // sanitizer build checks the rest).
    RadioNet net;
    addBroadcast(net);
    net.setThreads(2);
    net.prepare();
    net.thread(0);
    net.thread(1);
    std::atomic<int> setUpDone{0};
    float first = 0, second = 0;
    std::thread a([&] {
        first = net.shade("st", 0).rgba.g;
        setUpDone.store(1, std::memory_order_relaxed);
    });
    std::thread b([&] {
        while (setUpDone.load(std::memory_order_relaxed) == 0) std::this_thread::yield();
        second = net.shade("st", 1).rgba.g;
    });
    a.join();
    b.join();
    EXPECT_EQ(first, 0.5f);
    EXPECT_EQ(second, 0.5f);
}

TEST(RadioStationThreads, ManyUpdateCyclesEachRouteByTheirOwnSetup) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("orv_radio_integer", "ri");
    net.set("ri.integer", -1);
    net.link("st.color", "ri");
    net.set("st.integers2", 42);
    net.shade("st");
    net.prepare();
    net.shade("st");
    for (int cycle = 0; cycle < 1000; ++cycle) {
        const int frequency = 1 + cycle % 10;
        net.set("st.integer2Freq", frequency);
        net.set("ri.frequency", cycle % 3 == 0 ? frequency : 1 + (frequency % 10));
        if (cycle % 50 == 0) net.setThreads(cycle % 7 - 2);  // updates everything
        net.prepare();
        const float expected = cycle % 3 == 0 ? 42.0f : -1.0f;
        ASSERT_EQ(net.shade("st", cycle % 2).rgba.r, expected) << cycle;
    }
}

TEST(RadioStationThreads, ReentrantEvaluationRoutesAndRestoresItsOwnSample) {
    // outer broadcasts a scalar on frequency 1 around st (outer.color <- after <- st); st
    // broadcasts colors0 on frequency 1; st's input traces a "ray" that is shaded through st
    // again on the same thread, in a sample of its own.
    RadioNet net;
    addBroadcast(net);
    net.add("orv_radio_station", "outer");
    net.add("orv_radio_scalar", "rs");
    net.add("test_hook_color", "input");
    net.add("test_hook_color", "after");
    net.set("rs.frequency", 1);
    net.set("rs.scalar", -1.0f);
    net.set("outer.scalars0", 6.0f);
    net.set("outer.scalar0Freq", 1);
    net.link("outer.color", "after");
    net.link("after.value", "st");
    net.link("st.color", "input");
    int depth = 0;
    std::vector<float> nested, insideAfterNested, afterStation;
    net.hook("input").run = [&](ShaderGlobals* sg) {
        if (depth > 0) {
            nested.push_back(evaluateWithin(sg, net.node("rc")).rgba.g);
            nested.push_back(evaluateWithin(sg, net.node("rs")).flt);
            return;
        }
        ++depth;
        {
            ShaderGlobals child = host::blankShaderGlobals();
            host::SampleScope scope(*sg->host->thread, child, nullptr, 1);
            host::evaluateNode(net.node("st"), &child);
        }
        --depth;
        insideAfterNested.push_back(evaluateWithin(sg, net.node("rc")).rgba.g);
        insideAfterNested.push_back(evaluateWithin(sg, net.node("rs")).flt);
    };
    net.hook("after").run = [&](ShaderGlobals* sg) {
        afterStation.push_back(evaluateWithin(sg, net.node("rc")).rgba.g);
        afterStation.push_back(evaluateWithin(sg, net.node("rs")).flt);
    };
    net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    evaluateWithin(&sg, net.node("outer"));
    // The traced sample has st's colour but not outer's scalar: its messages are its own.
    EXPECT_EQ(nested, (std::vector<float>{0.5f, -1.0f}));
    // The outer sample still carries st's routing after the nested evaluation...
    EXPECT_EQ(insideAfterNested, (std::vector<float>{0.5f, 6.0f}));
    // ...and once st returns, its own records are restored to outer's broadcast alone.
    EXPECT_EQ(afterStation, (std::vector<float>{0.0f, 6.0f}));
    const orv::ChannelRecord* channel0 = publishedChannel(&sg, 0);
    ASSERT_NE(channel0, nullptr);
    EXPECT_EQ(channel0->hasColor | channel0->hasScalar, 0);
}

TEST(RadioStationThreads, SetupReenteredFromAFrequencyNetworkCompletesOnce) {
    RadioNet net;
    addBroadcast(net);
    net.add("test_hook_int", "freq");
    net.set("freq.value", 1);
    net.link("st.color0Freq", "freq");
    bool nested = false;
    std::vector<float> nestedResult;
    net.hook("freq").run = [&](ShaderGlobals* sg) {
        if (nested) return;
        nested = true;
        ShaderGlobals child = host::blankShaderGlobals();
        host::SampleScope scope(*sg->host->thread, child, nullptr, 1);
        host::evaluateNode(net.node("st"), &child);
        nestedResult.push_back(child.out.rgba.g);
    };
    net.prepare();
    EXPECT_EQ(net.shade("st").rgba.g, 0.5f);
    ASSERT_EQ(nestedResult.size(), 1u);
    EXPECT_EQ(nestedResult[0], 0.5f);
    // The outer set-up's read and the nested one's; later samples read nothing.
    EXPECT_EQ(net.hook("freq").evaluations.load(), 2);
    EXPECT_EQ(net.shade("st").rgba.g, 0.5f);
    EXPECT_EQ(net.hook("freq").evaluations.load(), 2);
}

}  // namespace
