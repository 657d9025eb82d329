// orv_radio_station through the host: parameters, broadcasting into its input, restoring,
// nesting, slot networks and the once-per-update frequencies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/nodes.h"
#include "radio_test_nodes.h"
#include "shading/network.h"
#include "universe/node.h"

namespace {

using radiotest::evaluateWithin;
using radiotest::publishedChannel;
using radiotest::RadioNet;

TEST(RadioStation, DeclaresItsHundredAndOneParametersInOrder) {
    RadioNet net;
    const host::NodeType* type = net.universe().registry().find("orv_radio_station");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->outputType, kTypeRGB);
    ASSERT_EQ(type->params.size(), 101u);
    EXPECT_EQ(type->params[0].name, "color");
    struct Group {
        const char* value;
        const char* freq;
        uint8_t type;
    };
    const Group groups[] = {{"colors", "color", kTypeRGBA},
                            {"scalars", "scalar", kTypeFloat},
                            {"integers", "integer", kTypeInt},
                            {"booleans", "boolean", kTypeBoolean},
                            {"vectors", "vector", kTypeVector}};
    int index = 1;
    for (const Group& g : groups) {
        for (int i = 0; i < 10; ++i, ++index) {
            EXPECT_EQ(type->params[index].name, g.value + std::to_string(i)) << index;
            EXPECT_EQ(type->params[index].defaultValue.type, g.type) << index;
        }
        for (int i = 0; i < 10; ++i, ++index) {
            EXPECT_EQ(type->params[index].name, g.freq + std::to_string(i) + "Freq") << index;
            EXPECT_EQ(type->params[index].defaultValue.type, kTypeInt) << index;
            EXPECT_EQ(type->params[index].defaultValue.integer, 0) << index;
        }
    }
    const RGBA white = type->params[0].defaultValue.rgba;
    EXPECT_EQ(white.r + white.g + white.b + white.a, 4.0f);
    EXPECT_EQ(type->params[5].defaultValue.rgba.a, 1.0f);
    EXPECT_EQ(type->params[25].defaultValue.flt, 0.0f);
    EXPECT_FALSE(type->params[65].defaultValue.boolean);
    const Vector zero = type->params[85].defaultValue.vec;
    EXPECT_EQ(zero.x == 0 && zero.y == 0 && zero.z == 0, true);
}

TEST(RadioStation, UntunedStationPassesItsInputAndPublishesClearRecords) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("orv_radio_color", "rc");
    net.set("rc.frequency", 1);
    net.set("rc.color", RGBA{0.2f, 0.3f, 0.4f, 0.5f});
    net.prepare();
    {
        // The default input: white with alpha 1.
        const RGBA out = net.shade("st").rgba;
        EXPECT_EQ(out.r, 1.0f);
        EXPECT_EQ(out.a, 1.0f);
    }
    net.link("st.color", "rc");
    net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    const RGBA out = evaluateWithin(&sg, net.node("st")).rgba;
    EXPECT_FLOAT_EQ(out.r, 0.2f);  // the receiver's own colour, passed through
    for (int c = 0; c < 10; ++c) {
        const orv::ChannelRecord* r = publishedChannel(&sg, c);
        ASSERT_NE(r, nullptr) << c;
        EXPECT_EQ(r->hasColor | r->hasScalar | r->hasInteger | r->hasBoolean | r->hasVector, 0);
    }
}

TEST(RadioStation, BroadcastsOnlyWhileItsInputIsEvaluated) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("test_hook_color", "input");
    net.add("orv_radio_color", "rc");
    net.set("rc.frequency", 1);
    net.set("rc.color", RGBA{0.9f, 0.9f, 0.9f, 0.9f});
    net.set("st.colors0", RGBA{0.2f, 0.4f, 0.6f, 0.8f});
    net.set("st.color0Freq", 1);
    net.set("input.value", RGBA{0.1f, 0.1f, 0.1f, 0.3f});
    net.link("st.color", "input");
    std::vector<RGBA> inside;
    net.hook("input").run = [&](ShaderGlobals* sg) {
        inside.push_back(evaluateWithin(sg, net.node("rc")).rgba);
    };

    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    const RGBA out = evaluateWithin(&sg, net.node("st")).rgba;
    EXPECT_EQ(out.a, 0.3f);  // the input's colour with its alpha
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_EQ(inside[0].r, 0.2f);
    EXPECT_EQ(inside[0].a, 0.8f);
    // Later in the same sample, outside the input: the broadcast has ended.
    EXPECT_EQ(evaluateWithin(&sg, net.node("rc")).rgba.r, 0.9f);
    EXPECT_EQ(publishedChannel(&sg, 0)->hasColor, 0);
}

// outer.color <- after; after.value <- inner (so inner runs first, then after's hook);
// inner.color <- within. Receivers are read in within's hook, after's hook, and after outer.
struct Nested {
    RadioNet net;
    std::vector<ShaderValue> within, after;
    Nested() {
        net.add("orv_radio_station", "outer");
        net.add("orv_radio_station", "inner");
        net.add("test_hook_color", "within");
        net.add("test_hook_color", "after");
        net.add("orv_radio_color", "rc");
        net.add("orv_radio_scalar", "rs");
        net.set("rc.frequency", 1);
        net.set("rs.frequency", 1);
        net.set("rc.color", RGBA{0, 0, 0, 0});
        net.set("rs.scalar", -1.0f);
        net.link("outer.color", "after");
        net.link("after.value", "inner");
        net.link("inner.color", "within");
        net.hook("within").run = [this](ShaderGlobals* sg) { read(sg, within); };
        net.hook("after").run = [this](ShaderGlobals* sg) { read(sg, after); };
    }
    void read(ShaderGlobals* sg, std::vector<ShaderValue>& into) {
        into.push_back(evaluateWithin(sg, net.node("rc")));
        into.push_back(evaluateWithin(sg, net.node("rs")));
    }
};

TEST(RadioStation, NestedStationsKeepKindsApartAndRestoreTheOuterBroadcast) {
    Nested n;
    n.net.set("outer.colors0", RGBA{0.5f, 0.6f, 0.7f, 0.8f});
    n.net.set("outer.color0Freq", 1);
    n.net.set("inner.scalars0", 3.0f);
    n.net.set("inner.scalar0Freq", 1);
    n.net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(n.net.thread(0), sg);
    evaluateWithin(&sg, n.net.node("outer"));
    ASSERT_EQ(n.within.size(), 2u);
    ASSERT_EQ(n.after.size(), 2u);
    EXPECT_EQ(n.within[0].rgba.g, 0.6f);  // outer's colour
    EXPECT_EQ(n.within[1].flt, 3.0f);     // and inner's scalar
    EXPECT_EQ(n.after[0].rgba.g, 0.6f);   // outer's colour only
    EXPECT_EQ(n.after[1].flt, -1.0f);
    EXPECT_EQ(evaluateWithin(&sg, n.net.node("rc")).rgba.g, 0.0f);  // nothing
    EXPECT_EQ(evaluateWithin(&sg, n.net.node("rs")).flt, -1.0f);
}

TEST(RadioStation, NestedStationOfTheSameKindWinsOnlyInsideItsInput) {
    Nested n;
    n.net.set("outer.scalars3", 1.0f);
    n.net.set("outer.scalar3Freq", 1);
    n.net.set("inner.scalars9", 2.0f);
    n.net.set("inner.scalar9Freq", 1);
    n.net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(n.net.thread(0), sg);
    evaluateWithin(&sg, n.net.node("outer"));
    ASSERT_EQ(n.within.size(), 2u);
    EXPECT_EQ(n.within[1].flt, 2.0f);
    EXPECT_EQ(n.after[1].flt, 1.0f);
    EXPECT_EQ(evaluateWithin(&sg, n.net.node("rs")).flt, -1.0f);
    EXPECT_EQ(publishedChannel(&sg, 0)->hasScalar, 0);
}

TEST(RadioStation, SlotNetworksSeeTheChannelsAsTheyWereBeforeRouting) {
    // inner.colors1 <- slot (a colour receiver on frequency 1). Inner routes colors0 to 1 and
    // colors1 to 2, so a receiver that saw inner's own routing would give colors0 on channel 2.
    Nested n;
    n.net.add("orv_radio_color", "slot");
    n.net.add("orv_radio_color", "rc2");
    n.net.set("slot.frequency", 1);
    n.net.set("slot.color", RGBA{0.25f, 0.25f, 0.25f, 1});
    n.net.set("rc2.frequency", 2);
    n.net.link("inner.colors1", "slot");
    n.net.set("inner.colors0", RGBA{0.75f, 0.75f, 0.75f, 1});
    n.net.set("inner.color0Freq", 1);
    n.net.set("inner.color1Freq", 2);
    std::vector<RGBA> seen;
    n.net.hook("within").run = [&](ShaderGlobals* sg) {
        seen.push_back(evaluateWithin(sg, n.net.node("rc2")).rgba);
    };
    n.net.prepare();
    {
        ShaderGlobals sg = host::blankShaderGlobals();
        host::SampleScope scope(n.net.thread(0), sg);
        evaluateWithin(&sg, n.net.node("inner"));  // no enclosing station: slot's own colour
    }
    n.net.set("outer.colors0", RGBA{0.5f, 0.5f, 0.5f, 1});
    n.net.set("outer.color0Freq", 1);
    n.net.prepare();
    {
        ShaderGlobals sg = host::blankShaderGlobals();
        host::SampleScope scope(n.net.thread(0), sg);
        evaluateWithin(&sg, n.net.node("outer"));  // the enclosing station's colour
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].r, 0.25f);
    EXPECT_EQ(seen[1].r, 0.5f);
}

TEST(RadioStation, HigherSlotWinsAndEveryKindReachesItsReceiver) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("test_hook_color", "input");
    net.add("orv_radio_color", "rc");
    net.add("orv_radio_scalar", "rs");
    net.add("orv_radio_integer", "ri");
    net.add("orv_radio_boolean", "rb");
    net.add("orv_radio_vector", "rv");
    net.link("st.color", "input");
    net.set("rc.frequency", 4);
    net.set("rs.frequency", 5);
    net.set("ri.frequency", 6);
    net.set("rb.frequency", 10);
    net.set("rv.frequency", 2);
    net.set("st.colors2", RGBA{0.2f, 0, 0, 1});
    net.set("st.colors7", RGBA{0.7f, 0, 0, 1});
    net.set("st.color2Freq", 4);
    net.set("st.color7Freq", 4);
    net.set("st.scalars4", 4.0f);
    net.set("st.scalar4Freq", 5);
    net.set("st.integers9", 99);
    net.set("st.integer9Freq", 6);
    net.set("st.booleans5", true);
    net.set("st.boolean5Freq", 10);
    net.set("st.vectors1", Vector{1, 0, 0});
    net.set("st.vectors8", Vector{8, 0, 0});
    net.set("st.vector1Freq", 2);
    net.set("st.vector8Freq", 2);
    std::vector<ShaderValue> seen;
    net.hook("input").run = [&](ShaderGlobals* sg) {
        for (const char* r : {"rc", "rs", "ri", "rb", "rv"})
            seen.push_back(evaluateWithin(sg, net.node(r)));
    };
    net.evaluate("st");
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].rgba.r, 0.7f);
    EXPECT_EQ(seen[1].flt, 4.0f);
    EXPECT_EQ(seen[2].integer, 99);
    EXPECT_TRUE(seen[3].boolean);
    EXPECT_EQ(seen[4].vec.x, 8.0f);
}

TEST(RadioStation, EvaluatesOnlyTunedSlotsInSlotOrder) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    const char* kinds[] = {"colors", "scalars", "integers", "booleans", "vectors"};
    const char* freqs[] = {"color", "scalar", "integer", "boolean", "vector"};
    const char* hookTypes[] = {"test_hook_color", "test_hook_float", "test_hook_int",
                               "test_hook_bool", "test_hook_vector"};
    std::vector<std::string> order;
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < 10; ++i) {
            const std::string name = kinds[k] + std::to_string(i);
            net.add(hookTypes[k], name);
            net.link("st." + name, name);
            net.hook(name).run = [&order, name](ShaderGlobals*) { order.push_back(name); };
        }
    // Only colour slot 4 tuned: its network alone runs.
    net.set("st.color4Freq", 3);
    net.evaluate("st");
    EXPECT_EQ(order, std::vector<std::string>{"colors4"});

    // Off (0 or below) slots never run; above 10 the value is still evaluated, then dropped.
    order.clear();
    net.set("st.integer3Freq", -2);
    net.set("st.vector0Freq", 11);
    net.set("st.boolean0Freq", 1);
    net.set("st.scalar9Freq", 10);
    net.set("st.integer0Freq", 5);
    net.evaluate("st");
    EXPECT_EQ(order, (std::vector<std::string>{"integers0", "booleans0", "vectors0", "colors4",
                                               "scalars9"}));
    // Every slot tuned: all five kinds of slot 0, then of slot 1, ...
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < 10; ++i)
            net.set(std::string("st.") + freqs[k] + std::to_string(i) + "Freq", 1 + (i + k) % 10);
    order.clear();
    net.evaluate("st");
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 10; ++i)
        for (int k = 0; k < 5; ++k) EXPECT_EQ(order[i * 5 + k], kinds[k] + std::to_string(i));
}

TEST(RadioStation, FrequencyAboveTenIsDroppedAndNothingElseChanges) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("test_hook_color", "input");
    net.link("st.color", "input");
    net.set("st.color0Freq", 11);
    net.set("st.scalar0Freq", 1000);
    net.set("st.integer0Freq", -1);
    bool anyFlag = true;
    net.hook("input").run = [&](ShaderGlobals* sg) {
        anyFlag = false;
        for (int c = 0; c < 10; ++c) {
            const orv::ChannelRecord* r = publishedChannel(sg, c);
            anyFlag |=
                (r->hasColor | r->hasScalar | r->hasInteger | r->hasBoolean | r->hasVector) != 0;
        }
    };
    net.evaluate("st");
    EXPECT_FALSE(anyFlag);
}

TEST(RadioStation, FrequencyChangesWaitForUpdateWhileValuesApplyAtOnce) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("orv_radio_scalar", "rs");
    net.set("rs.frequency", 2);
    net.set("rs.scalar", -1.0f);
    net.link("st.color", "rs");  // the station outputs what the receiver returns, as grey
    net.set("st.scalars0", 0.5f);
    net.set("st.scalar0Freq", 2);
    net.prepare();
    EXPECT_EQ(net.shade("st").rgba.r, 0.5f);

    // Retune the slot: until update, the old frequency holds.
    net.set("st.scalar0Freq", 3);
    EXPECT_EQ(net.shade("st").rgba.r, 0.5f);
    net.prepare();  // the renderer's update
    EXPECT_EQ(net.shade("st").rgba.r, -1.0f);

    // A value takes effect in the very next sample, update or not.
    net.set("rs.frequency", 3);
    net.prepare();
    net.set("st.scalars0", 0.75f);
    EXPECT_EQ(net.shade("st").rgba.r, 0.75f);
}

TEST(RadioStation, VaryingFrequencyNetworkIsReadOncePerSetup) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("test_hook_int", "freq");
    net.add("test_hook_color", "value");
    net.add("orv_radio_color", "rc");
    net.set("freq.value", 1);
    net.set("rc.frequency", 1);
    net.link("st.color0Freq", "freq");
    net.link("st.colors0", "value");
    net.link("st.color", "rc");
    net.prepare();
    for (int s = 0; s < 20; ++s) {
        // A network that would answer differently for every later sample.
        net.node("freq")->values[0] = host::ParamValue::makeInt(s == 0 ? 1 : 7);
        EXPECT_EQ(net.shade("st").rgba.g, 0.5f) << s;  // the hook's colour, on channel 0
    }
    EXPECT_EQ(net.hook("freq").evaluations.load(), 1);
    EXPECT_EQ(net.hook("value").evaluations.load(), 20);
}

TEST(RadioStation, StationWithoutLocalDataOrSampleMemoryStillOutputsItsInput) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("orv_radio_station", "fresh");
    net.set("st.color", RGBA{0.1f, 0.2f, 0.3f, 0.4f});
    net.set("st.colors0", RGBA{0, 0, 0, 0});
    net.set("st.color0Freq", 1);
    net.set("fresh.color", RGBA{0.5f, 0.5f, 0.5f, 0.5f});
    // Never initialised: the renderer would not do this, but the node must not crash.
    ShaderGlobals sg = host::blankShaderGlobals();
    host::evaluateNode(net.node("fresh"), &sg);
    EXPECT_EQ(sg.out.rgba.a, 0.5f);

    // A ShaderGlobals with no sample behind it: no messages, no memory.
    net.prepare();
    sg = host::blankShaderGlobals();
    host::evaluateNode(net.node("st"), &sg);
    EXPECT_EQ(sg.out.rgba.a, 0.4f);
}

TEST(RadioStation, SetupRunsAtTheFirstEvaluationAfterAnUpdate) {
    RadioNet net;
    net.add("orv_radio_station", "st");
    net.add("orv_radio_station", "idle");
    net.prepare();
    const void* data = net.node("st")->localData;
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(orv::setupFlagOf(data).load(), 0);
    net.shade("st");
    EXPECT_EQ(orv::setupFlagOf(data).load(), 1);
    net.set("st.color3Freq", 2);
    net.prepare();
    EXPECT_EQ(orv::setupFlagOf(data).load(), 0);
    // "idle" is finished at the end without ever having been evaluated.
    EXPECT_EQ(orv::setupFlagOf(net.node("idle")->localData).load(), 0);
}

}  // namespace
