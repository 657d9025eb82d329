// The five receivers, driven through the host with the plug-in loaded by dlopen.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "radio/channel_record.h"
#include "radio_test_nodes.h"
#include "shading/network.h"
#include "universe/node.h"

using namespace orv;

namespace {

using radiotest::evaluateWithin;
using radiotest::RadioNet;

struct ReceiverRow {
    const char* type;
    const char* valueName;
    uint8_t valueType;
    uint8_t outputType;
};
const ReceiverRow kReceivers[] = {{"orv_radio_color", "color", kTypeRGBA, kTypeRGB},
                                  {"orv_radio_scalar", "scalar", kTypeFloat, kTypeFloat},
                                  {"orv_radio_integer", "integer", kTypeInt, kTypeInt},
                                  {"orv_radio_boolean", "boolean", kTypeBoolean, kTypeBoolean},
                                  {"orv_radio_vector", "vector", kTypeVector, kTypeVector}};

// One of each receiver, all tuned to `frequency`.
void addReceivers(RadioNet& net, int frequency) {
    net.add("orv_radio_color", "rc");
    net.add("orv_radio_scalar", "rs");
    net.add("orv_radio_integer", "ri");
    net.add("orv_radio_boolean", "rb");
    net.add("orv_radio_vector", "rv");
    for (const char* n : {"rc", "rs", "ri", "rb", "rv"})
        net.set(std::string(n) + ".frequency", frequency);
}

TEST(RadioReceivers, DeclareTheirValueThenFrequency) {
    RadioNet net;
    for (const ReceiverRow& row : kReceivers) {
        const host::NodeType* type = net.universe().registry().find(row.type);
        ASSERT_NE(type, nullptr) << row.type;
        EXPECT_EQ(type->outputType, row.outputType) << row.type;
        ASSERT_EQ(type->params.size(), 2u) << row.type;
        EXPECT_EQ(type->params[0].name, row.valueName);
        EXPECT_EQ(type->params[0].defaultValue.type, row.valueType) << row.type;
        EXPECT_EQ(type->params[1].name, "frequency");
        EXPECT_EQ(type->params[1].defaultValue.type, kTypeInt);
        EXPECT_EQ(type->params[1].defaultValue.integer, 0);
    }
}

TEST(RadioReceivers, WithoutAStationReturnTheirDefaults) {
    RadioNet net;
    addReceivers(net, 3);
    const RGBA c = net.evaluate("rc").rgba;
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.g, 1.0f);
    EXPECT_EQ(c.b, 1.0f);
    EXPECT_EQ(c.a, 1.0f);
    EXPECT_EQ(net.evaluate("rs").flt, 0.0f);
    EXPECT_EQ(net.evaluate("ri").integer, 0);
    EXPECT_FALSE(net.evaluate("rb").boolean);
    const Vector v = net.evaluate("rv").vec;
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 1.0f);
    EXPECT_EQ(v.z, 1.0f);
}

// A sample in which every channel carries all five kinds, channel c with values made from c.
struct FullChannels {
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope;
    ChannelRecord records[kChannelCount];
    explicit FullChannels(host::ThreadContext& thread) : scope(thread, sg) {
        for (int c = 0; c < kChannelCount; ++c) {
            records[c].setColor(RGBA{0.1f * c, 0.5f, 0.25f, 0.01f * c});
            records[c].setScalar(10.0f + c);
            records[c].setInteger(100 + c);
            records[c].setBoolean(c % 2 == 1);
            records[c].setVector(Vector{1.0f * c, 2, 3});
            AiMessageSetPtrFunc(&sg, channelNames[c], &records[c]);
        }
    }
};

TEST(RadioReceivers, FrequencyOneReadsCF0AndTenReadsCF9) {
    RadioNet net;
    addReceivers(net, 1);
    net.prepare();
    FullChannels sample(net.thread(0));
    EXPECT_EQ(evaluateWithin(&sample.sg, net.node("ri")).integer, 100);
    EXPECT_EQ(evaluateWithin(&sample.sg, net.node("rs")).flt, 10.0f);
    for (const char* n : {"rc", "rs", "ri", "rb", "rv"})
        net.node(n)->values[1] = host::ParamValue::makeInt(10);
    EXPECT_EQ(evaluateWithin(&sample.sg, net.node("ri")).integer, 109);
    EXPECT_TRUE(evaluateWithin(&sample.sg, net.node("rb")).boolean);
    EXPECT_EQ(evaluateWithin(&sample.sg, net.node("rv")).vec.x, 9.0f);
    const RGBA c = evaluateWithin(&sample.sg, net.node("rc")).rgba;
    EXPECT_FLOAT_EQ(c.r, 0.9f);
    EXPECT_FLOAT_EQ(c.a, 0.09f);  // all four components, alpha included
}

TEST(RadioReceivers, FrequenciesOutsideOneToTenGiveTheOwnValue) {
    RadioNet net;
    addReceivers(net, 0);
    net.set("rc.color", RGBA{0.3f, 0.3f, 0.3f, 0.7f});
    net.set("rs.scalar", 4.5f);
    net.set("ri.integer", -8);
    net.set("rb.boolean", true);
    net.set("rv.vector", Vector{7, 8, 9});
    net.prepare();
    FullChannels sample(net.thread(0));
    for (int f : {0, -1, -10, 11, 12, INT_MAX, INT_MIN}) {
        for (const char* n : {"rc", "rs", "ri", "rb", "rv"})
            net.node(n)->values[1] = host::ParamValue::makeInt(f);
        EXPECT_EQ(evaluateWithin(&sample.sg, net.node("rc")).rgba.a, 0.7f) << f;
        EXPECT_EQ(evaluateWithin(&sample.sg, net.node("rs")).flt, 4.5f) << f;
        EXPECT_EQ(evaluateWithin(&sample.sg, net.node("ri")).integer, -8) << f;
        EXPECT_TRUE(evaluateWithin(&sample.sg, net.node("rb")).boolean) << f;
        EXPECT_EQ(evaluateWithin(&sample.sg, net.node("rv")).vec.z, 9.0f) << f;
    }
}

TEST(RadioReceivers, ReadOnlyTheirOwnKind) {
    RadioNet net;
    addReceivers(net, 3);
    net.set("rc.color", RGBA{0.5f, 0.5f, 0.5f, 0.5f});
    net.set("ri.integer", 6);
    net.set("rv.vector", Vector{-1, -1, -1});
    net.set("rb.boolean", true);
    net.prepare();
    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    ChannelRecord record;
    record.setScalar(0.125f);
    AiMessageSetPtrFunc(&sg, "CF2", &record);
    EXPECT_EQ(evaluateWithin(&sg, net.node("rs")).flt, 0.125f);
    EXPECT_EQ(evaluateWithin(&sg, net.node("rc")).rgba.a, 0.5f);
    EXPECT_EQ(evaluateWithin(&sg, net.node("ri")).integer, 6);
    EXPECT_EQ(evaluateWithin(&sg, net.node("rv")).vec.x, -1.0f);
    EXPECT_TRUE(evaluateWithin(&sg, net.node("rb")).boolean);

    // A published false replaces an own true; a boolean byte other than 0 reads as true.
    record.setBoolean(false);
    EXPECT_FALSE(evaluateWithin(&sg, net.node("rb")).boolean);
    net.node("rb")->values[0] = host::ParamValue::makeBool(false);
    record.boolean = 2;
    const ShaderValue out = evaluateWithin(&sg, net.node("rb"));
    uint8_t byte;
    std::memcpy(&byte, &out.boolean, 1);
    EXPECT_EQ(byte, 1);
    // Receivers never write to the record they read.
    EXPECT_EQ(record.hasColor | record.hasInteger | record.hasVector, 0);
    EXPECT_EQ(record.scalar, 0.125f);
}

TEST(RadioReceivers, EvaluateBothParametersOnEveryCall) {
    RadioNet net;
    net.add("orv_radio_scalar", "rs");
    net.add("test_hook_int", "freq");
    net.add("test_hook_float", "own");
    net.set("freq.value", 4);
    net.set("own.value", 2.0f);
    net.link("rs.frequency", "freq");
    net.link("rs.scalar", "own");
    net.prepare();
    std::vector<std::string> order;
    net.hook("freq").run = [&](ShaderGlobals*) { order.push_back("frequency"); };
    net.hook("own").run = [&](ShaderGlobals*) { order.push_back("value"); };

    ShaderGlobals sg = host::blankShaderGlobals();
    host::SampleScope scope(net.thread(0), sg);
    EXPECT_EQ(evaluateWithin(&sg, net.node("rs")).flt, 2.0f);
    ChannelRecord record;
    record.setScalar(9.0f);
    AiMessageSetPtrFunc(&sg, "CF3", &record);
    EXPECT_EQ(evaluateWithin(&sg, net.node("rs")).flt, 9.0f);
    // Frequency first, then the own value, also when the published value replaces it.
    EXPECT_EQ(order, (std::vector<std::string>{"frequency", "value", "frequency", "value"}));
}

}  // namespace
