// Per-sample messages and memory, and critical sections.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "shading/message_store.h"
#include "shading/network.h"
#include "shading/sample_arena.h"
#include "shading/sample_state.h"
#include "support/network.h"
#include "support/test_nodes.h"
#include "universe/diagnostics.h"

namespace {

TEST(Messages, LaterLookUpsInTheSameSampleFindThePointer) {
    host::ThreadContext thread(0);
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(thread, sg);
    void* found = nullptr;
    EXPECT_FALSE(AiMessageGetPtrFunc(&sg, "CF0", &found));
    EXPECT_EQ(found, nullptr);
    int a = 0, b = 0;
    EXPECT_TRUE(AiMessageSetPtrFunc(&sg, "CF0", &a));
    ASSERT_TRUE(AiMessageGetPtrFunc(&sg, "CF0", &found));
    EXPECT_EQ(found, &a);
    // Found by text too, not only by the address of the name.
    const char name[] = {'C', 'F', '0', '\0'};
    ASSERT_TRUE(AiMessageGetPtrFunc(&sg, name, &found));
    EXPECT_EQ(found, &a);
    AiMessageSetPtrFunc(&sg, "CF0", &b);
    AiMessageGetPtrFunc(&sg, "CF0", &found);
    EXPECT_EQ(found, &b);
}

TEST(Messages, ManyLongNamesSharingTheirStartAreToldApartByText) {
    host::ThreadContext thread(0);
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(thread, sg);
    // More names than the store keeps inline, all of one length and one long prefix.
    std::vector<std::string> names, copies;
    for (int i = 10; i < 40; ++i) names.push_back("channel.number." + std::to_string(i));
    copies = names;
    int values[30];
    for (int i = 0; i < 30; ++i) AiMessageSetPtrFunc(&sg, names[i].c_str(), &values[i]);
    AiMessageSetPtrFunc(&sg, copies[20].c_str(), &values[0]);  // replaced, by text
    EXPECT_EQ(sg.host->messages.size(), 30);
    for (int i = 0; i < 30; ++i) {
        void* found = nullptr;
        ASSERT_TRUE(AiMessageGetPtrFunc(&sg, copies[i].c_str(), &found)) << names[i];
        EXPECT_EQ(found, &values[i == 20 ? 0 : i]) << names[i];
    }
    void* found = nullptr;
    EXPECT_FALSE(AiMessageGetPtrFunc(&sg, "channel.number.40", &found));
    EXPECT_FALSE(AiMessageGetPtrFunc(&sg, "channel", &found));
}

TEST(Messages, EachSampleAndEachTracedRayStartsFresh) {
    host::ThreadContext thread(0);
    int a = 0;
    ShaderGlobals outer = host::blankShaderGlobals();
    {
        host::SampleScope scope(thread, outer);
        AiMessageSetPtrFunc(&outer, "CF3", &a);
        ShaderGlobals child = host::blankShaderGlobals();
        {
            host::SampleScope nested(thread, child, nullptr, 1);
            void* found = nullptr;
            EXPECT_FALSE(AiMessageGetPtrFunc(&child, "CF3", &found));
            AiMessageSetPtrFunc(&child, "CF4", &a);
        }
        void* found = nullptr;
        EXPECT_TRUE(AiMessageGetPtrFunc(&outer, "CF3", &found));
        EXPECT_FALSE(AiMessageGetPtrFunc(&outer, "CF4", &found));
    }
    ShaderGlobals next = host::blankShaderGlobals();
    host::SampleScope scope(thread, next);
    void* found = nullptr;
    EXPECT_FALSE(AiMessageGetPtrFunc(&next, "CF3", &found));
}

TEST(Messages, ReachParameterNetworksOfTheSameSample) {
    test::Network net(false);
    test::registerTestNodes(net.universe());
    net.add("test_message_writer", "w");
    net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    host::evaluateNode(net.node("w"), &sg);
    EXPECT_EQ(sg.out.integer, 0);
    host::evaluateNode(net.node("w"), &sg);
    EXPECT_EQ(sg.out.integer, 1);
    void* found = nullptr;
    ASSERT_TRUE(AiMessageGetPtrFunc(&sg, "probe", &found));
    EXPECT_EQ(found, net.node("w"));
}

TEST(SampleMemory, IsAlignedAndRewoundNotFreed) {
    host::ThreadContext thread(0);
    // The first sample needs more than one block; later ones of the same size reuse them.
    size_t warmBlocks = 0;
    for (int round = 0; round < 3; ++round) {
        ShaderGlobals sg = host::blankShaderGlobals();
        host::SampleScope scope(thread, sg);
        for (int i = 0; i < 3000; ++i) {
            void* p = AiShaderGlobalsQuickAlloc(&sg, 52);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
        }
        if (round == 0) {
            warmBlocks = thread.arena.blockCount();
            EXPECT_GT(warmBlocks, 1u);
        }
        EXPECT_EQ(thread.arena.blockCount(), warmBlocks);
    }
    host::SampleArena arena(1024);
    const auto mark = arena.mark();
    void* first = arena.allocate(100);
    arena.rewind(mark);
    EXPECT_EQ(arena.allocate(100), first);
    EXPECT_NE(arena.allocate(5000), nullptr);  // larger than a block
}

TEST(SampleMemory, ThatCannotGrowAnswersNullAndKeepsWhatItGave) {
    // Through the renderer call: past a thread's limit is null, not std::bad_alloc through C.
    host::ThreadContext thread(0);
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(thread, sg);
    void* before = AiShaderGlobalsQuickAlloc(&sg, 64);
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(AiShaderGlobalsQuickAlloc(&sg, UINT32_MAX), nullptr);
    void* after = AiShaderGlobalsQuickAlloc(&sg, 64);
    EXPECT_EQ(static_cast<char*>(after), static_cast<char*>(before) + 64);  // nothing skipped

    // An arena at its limit: null, then room again once the sample rewinds. Messages that need
    // its memory are refused, and those published stay.
    host::SampleArena arena(1024, 4096);
    const auto mark = arena.mark();
    int given = 0;
    while (arena.allocate(256)) ++given;
    EXPECT_EQ(given, 16);
    host::MessageStore messages;
    // Longer than a message key holds, as the store must compare their text too.
    static const char* const kNames[] = {
        "message00", "message01", "message02", "message03", "message04", "message05",
        "message06", "message07", "message08", "message09", "message10", "message11",
        "message12", "message13", "message14", "message15", "message16"};
    int value = 0;
    for (const char* name : kNames)
        EXPECT_EQ(messages.set(arena, name, &value), name != kNames[16]);
    void* found = nullptr;
    EXPECT_TRUE(messages.get("message15", &found));
    EXPECT_FALSE(messages.get("message16", &found));
    arena.rewind(mark);
    EXPECT_NE(arena.allocate(256), nullptr);
    EXPECT_EQ(arena.blockCount(), 4u);
}

TEST(CriticalSections, ExcludeOtherThreadsAndMayBeReentered) {
    CritSec cs;
    AiCritSecInit(&cs);
    AiCritSecEnter(&cs);
    AiCritSecEnter(&cs);  // recursive: the holder may enter again
    AiCritSecLeave(&cs);
    AiCritSecLeave(&cs);
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                AiCritSecEnter(&cs);
                ++counter;
                AiCritSecLeave(&cs);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 40000);
    AiCritSecClose(&cs);
    EXPECT_EQ(cs, nullptr);
}

TEST(ShaderEvaluate, RunsTheNodeOrWritesBlackForNone) {
    test::Network net(false);
    test::registerTestNodes(net.universe());
    net.add("test_constant", "c");
    net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    EXPECT_TRUE(AiShaderEvaluate(net.node("c"), &sg));
    EXPECT_FLOAT_EQ(sg.out.rgb.g, 0.5f);
    EXPECT_FALSE(AiShaderEvaluate(nullptr, &sg));
    EXPECT_EQ(sg.out.rgb.g, 0.0f);
}

/// A chain of `length` test_constant nodes "c0" <- "c1" <- ..., each colour fed by the one
/// before; c0 keeps its own colour. Evaluating the last runs `length` evaluations nested.
void chain(test::Network& net, int length) {
    net.add("test_constant", "c0");
    for (int i = 1; i < length; ++i) {
        net.add("test_constant", "c" + std::to_string(i));
        net.link("c" + std::to_string(i) + ".color", "c" + std::to_string(i - 1));
    }
}

TEST(NestingBound, ChainAtTheBoundRunsWholeAndOneBeyondAnswersBlackWithOneWarning) {
    host::diagnostics().clear();
    {
        test::Network net(false);
        test::registerTestNodes(net.universe());
        chain(net, host::kMaxNestedEvaluations);
        const RGB whole = net.evaluate("c" + std::to_string(host::kMaxNestedEvaluations - 1)).rgb;
        EXPECT_TRUE(host::diagnostics().snapshot().empty());
        EXPECT_FLOAT_EQ(whole.b, 0.75f);
    }
    test::Network net(false);
    test::registerTestNodes(net.universe());
    chain(net, host::kMaxNestedEvaluations + 1);
    const std::string last = "c" + std::to_string(host::kMaxNestedEvaluations);
    net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    host::evaluateNode(net.node(last), &sg);
    const RGBA cut = sg.out.rgba;
    host::evaluateNode(net.node(last), &sg);
    EXPECT_EQ(cut.b, 0.0f);
    EXPECT_EQ(cut.a, 1.0f);
    // The innermost node is the one refused, and it is named once however often it is.
    auto given = host::diagnostics().snapshot();
    ASSERT_EQ(given.size(), 1u);
    EXPECT_EQ(given[0].node, "c0");
    EXPECT_NE(given[0].message.find("node 'c0'"), std::string::npos) << given[0].message;
    EXPECT_EQ(given[0].count, 1u);
    // Cleared between renders, it is given again by the next that refuses it.
    host::diagnostics().clear();
    host::evaluateNode(net.node(last), &sg);
    EXPECT_EQ(host::diagnostics().snapshot().size(), 1u);
    // Every evaluation, refused or not, unwinds its count: the same sample goes on as new.
    host::evaluateNode(net.node("c1"), &sg);
    EXPECT_FLOAT_EQ(sg.out.rgba.b, 0.75f);
}

// Render threads refusing the same node at once: one warning, and no race (the tsan preset).
TEST(NestingBound, ThreadsRefusingOneNodeGiveOneWarning) {
    host::diagnostics().clear();
    test::Network net(false);
    test::registerTestNodes(net.universe());
    chain(net, host::kMaxNestedEvaluations + 1);
    net.prepare();
    Node* last = net.node("c" + std::to_string(host::kMaxNestedEvaluations));
    net.thread(3);  // each thread's context made before they start
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&context = net.thread(t), last] {
            for (int i = 0; i < 50; ++i) {
                ShaderGlobals sg = host::blankShaderGlobals();
                host::SampleScope scope(context, sg);
                host::evaluateNode(last, &sg);
            }
        });
    for (std::thread& thread : threads) thread.join();
    const auto given = host::diagnostics().snapshot();
    ASSERT_EQ(given.size(), 1u);
    EXPECT_EQ(given[0].count, 1u);
}

}  // namespace
