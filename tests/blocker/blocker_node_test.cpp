// orv_blocker driven through the host as a light filter: the plug-in is dlopened, and each
// evaluation gets a shading point and a light intensity and hands back the rewritten intensity.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "blocker/blocker_shape.h"
#include "blocker/falloff.h"
#include "plugin/float3.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "support/network.h"
#include "universe/node.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const RGB kLight{2, 4, 8};
const RGB kFilter{0.5f, 0.25f, 0};

ShaderGlobals lightSample(Vector point, RGB light) {
    ShaderGlobals sg = host::blankShaderGlobals();
    sg.point = point;
    sg.lightIntensity = light;
    return sg;
}

/// (L x F) x (1 - v) + L x v
RGB blend(RGB light, RGB filter, float v) {
    return RGB{light.r * filter.r * (1 - v) + light.r * v,
               light.g * filter.g * (1 - v) + light.g * v,
               light.b * filter.b * (1 - v) + light.b * v};
}

void expectRGB(RGB actual, RGB expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.r, expected.r, tolerance);
    EXPECT_NEAR(actual.g, expected.g, tolerance);
    EXPECT_NEAR(actual.b, expected.b, tolerance);
}

struct Blocker {
    test::Network net;
    Blocker() {
        net.add("orv_blocker", "b");
        net.set("b.bFilter", kFilter);
    }
    RGB at(Vector p, RGB light = kLight) {
        return net.evaluateGlobals("b", lightSample(p, light)).lightIntensity;
    }
    /// Evaluates without the lifecycle, as a render does between updates.
    RGB atWithoutUpdate(Vector p, RGB light = kLight) {
        ShaderGlobals sg = lightSample(p, light);
        host::SampleScope scope(net.thread(0), sg);
        host::evaluateNode(net.node("b"), &sg);
        return sg.lightIntensity;
    }
};

/// A sphere of radius 1 with its outer copy twice as large, at the origin.
struct SphereBlocker : Blocker {
    explicit SphereBlocker(int decayPower, bool positive = true) {
        net.set("b.bType", 1).set("b.bExtraScale", 2.0f).set("b.bDecayPower", decayPower);
        net.set("b.bPositive", positive);
    }
};

const Vector kDirections[] = {{1, 0, 0}, {0, -1, 0}, {0.6f, 0, 0.8f}, {-0.48f, 0.6f, 0.64f}};

Vector along(Vector unit, float distance) {
    return Vector{unit.x * distance, unit.y * distance, unit.z * distance};
}

TEST(BlockerNode, DefaultCardBlocksOnlyItsOwnSlab) {
    Blocker b;
    b.net.set("b.bFilter", RGB{0, 0, 0});  // the default
    for (Vector p : {Vector{0, 0, 0}, Vector{0.5f, 0.001f, -0.5f}, Vector{-0.2f, -0.0009f, 0.4f}})
        expectRGB(b.at(p), RGB{0, 0, 0}, 0);
    for (Vector p : {Vector{0, 0.0011f, 0}, Vector{0.51f, 0, 0}, Vector{0, 0, -0.51f},
                     Vector{0, 0.3f, 0}, Vector{5, 5, 5}})
        expectRGB(b.at(p), kLight, 0);

    // Around bTransl, and the output slot is not written.
    b.net.set("b.bTransl", Vector{1, 2, 3});
    ShaderGlobals sg = lightSample({1.4f, 2.0005f, 2.6f}, kLight);
    sg.out.rgba = RGBA{7, 7, 7, 7};
    const ShaderGlobals result = b.net.evaluateGlobals("b", sg);
    expectRGB(result.lightIntensity, RGB{0, 0, 0}, 0);
    EXPECT_EQ(result.out.rgba.r, 7);
    EXPECT_EQ(result.out.rgba.a, 7);
    expectRGB(b.at({0, 0, 0}), kLight, 0);
}

TEST(BlockerNode, WhiteFilterLeavesTheLightAsItIs) {
    for (int kind = 0; kind <= orv::kBlockerShapeCount; ++kind)
        for (int decay : {0, 1, 3}) {
            Blocker b;
            b.net.set("b.bFilter", RGB{1, 1, 1}).set("b.bType", kind).set("b.bDecayPower", decay);
            b.net.set("b.bExtraScale", 3.0f).set("b.bScale", Vector{1, 0.5f, 2});
            for (float d : {0.0f, 0.3f, 0.6f, 1.2f, 2.5f, 9.0f})
                for (Vector dir : kDirections) expectRGB(b.at(along(dir, d)), kLight);
        }
}

// The unit sphere and its double, along every direction: the share of the light that passes
// at each distance from the centre, for each decay power and sign. Inside the inner shape and
// beyond the outer one the answer is exact; the ramp between may round.
struct RampRow {
    int decayPower;
    bool positive;
    float distance;
    float passes;  ///< v in (L x F) x (1 - v) + L x v
};

TEST(BlockerNode, SphereRampFollowsItsDecayPowerAndSign) {
    const RampRow rows[] = {
        // Linear between the shapes.
        {1, true, 0.2f, 0},
        {1, true, 0.99f, 0},
        {1, true, 1.25f, 0.25f},
        {1, true, 1.5f, 0.5f},
        {1, true, 2.01f, 1},
        {1, true, 7, 1},
        // A negative blocker filters outside and passes inside.
        {1, false, 0.5f, 1},
        {1, false, 1.25f, 0.75f},
        {1, false, 1.5f, 0.5f},
        {1, false, 2.5f, 0},
        // Power three takes the square root of the S-curve (a quarter out: smoothstep 0.15625).
        {3, true, 1.25f, std::sqrt(0.15625f)},
        {3, true, 1.5f, std::sqrt(0.5f)},
        // Power zero is a hard edge at the inner shape.
        {0, true, 0.99f, 0},
        {0, true, 1.01f, 1},
        {0, true, 1.25f, 1},
        {0, true, 1.99f, 1},
        {0, true, 3, 1},
        {0, false, 0.99f, 1},
        {0, false, 1.01f, 0},
        {0, false, 1.5f, 0},
        {0, false, 3, 0},
    };
    for (const RampRow& row : rows) {
        SphereBlocker b(row.decayPower, row.positive);
        const bool exact = row.distance < 1 || row.distance > 2 || row.decayPower == 0;
        for (Vector dir : kDirections) {
            SCOPED_TRACE(::testing::Message()
                         << "decay " << row.decayPower << (row.positive ? " +" : " -") << " at "
                         << row.distance);
            expectRGB(b.at(along(dir, row.distance)), blend(kLight, kFilter, row.passes),
                      exact ? 0 : 1e-5f);
        }
    }
}

TEST(BlockerNode, NegativeDecayPowerIsLinearToo) {
    SphereBlocker linear(1), negative(-1);
    for (Vector dir : kDirections)
        for (float d : {0.5f, 1.1f, 1.25f, 1.5f, 1.9f, 2.5f}) {
            const RGB expected = linear.at(along(dir, d));
            const RGB actual = negative.at(along(dir, d));
            EXPECT_EQ(actual.r, expected.r);
            EXPECT_EQ(actual.g, expected.g);
            EXPECT_EQ(actual.b, expected.b);
        }
}

TEST(BlockerNode, SmallerOuterShapeAloneFiltersWithAHardEdge) {
    Blocker b;
    b.net.set("b.bType", 1).set("b.bExtraScale", 0.5f);
    for (Vector dir : kDirections) {
        expectRGB(b.at(along(dir, 0.2f)), blend(kLight, kFilter, 0), 0);
        expectRGB(b.at(along(dir, 0.49f)), blend(kLight, kFilter, 0), 0);
        for (float d : {0.51f, 0.75f, 0.99f, 1.5f}) expectRGB(b.at(along(dir, d)), kLight, 0);
    }
}

TEST(BlockerNode, KindOutsideTheTableFiltersOrPassesEverywhere) {
    Blocker positive, negative;
    positive.net.set("b.bType", orv::kBlockerShapeCount);
    negative.net.set("b.bType", orv::kBlockerShapeCount).set("b.bPositive", false);
    for (Vector p : {Vector{0, 0, 0}, Vector{100, -3, 2}, Vector{0, 0.5f, 0}}) {
        expectRGB(positive.at(p), blend(kLight, kFilter, 0), 0);
        expectRGB(negative.at(p), kLight, 0);
    }
}

TEST(BlockerNode, FilterColourChangesAtOnceButShapeOnlyAfterAnUpdate) {
    Blocker b;
    const Vector onCard{0, 0, 0}, onSphere{0.7f, 0.2f, 0};
    expectRGB(b.at(onSphere), kLight, 0);  // sets up: the default card does not reach it

    b.net.set("b.bType", 1);
    expectRGB(b.atWithoutUpdate(onSphere), kLight, 0);
    expectRGB(b.atWithoutUpdate(onCard), blend(kLight, kFilter, 0), 0);
    b.net.set("b.bFilter", RGB{1, 0, 1});  // read per sample: no update needed
    expectRGB(b.atWithoutUpdate(onCard), RGB{kLight.r, 0, kLight.b}, 0);

    b.net.prepare();
    expectRGB(b.atWithoutUpdate(onSphere), RGB{kLight.r, 0, kLight.b}, 0);
}

TEST(BlockerNode, NonFiniteLightPassesWhereTheBlockerLetsItThrough) {
    Blocker b;
    b.net.set("b.bType", 1).set("b.bExtraScale", 2.0f);
    const RGB odd{kNaN, kInf, -kInf};
    const RGB passed = b.at({3, 0, 0}, odd);
    EXPECT_TRUE(std::isnan(passed.r));
    EXPECT_EQ(passed.g, kInf);
    EXPECT_EQ(passed.b, -kInf);
    // Fully filtered by a non-zero colour, infinity stays infinite rather than turning NaN.
    b.net.set("b.bFilter", RGB{0.5f, 0.5f, 0.5f});
    const RGB filtered = b.at({0.1f, 0, 0}, RGB{1, kInf, 1});
    EXPECT_EQ(filtered.g, kInf);
    // A NaN filter colour does not reach light the blocker lets through.
    b.net.set("b.bFilter", RGB{kNaN, kNaN, kInf});
    expectRGB(b.at({3, 0, 0}), kLight, 0);
}

TEST(BlockerNode, PlacementThatCannotBeInvertedFiltersNothing) {
    struct Case {
        const char* param;
        host::ParamValue value;
    };
    const Case cases[] = {
        {"b.bScale", test::value(Vector{0, 1, 1})},
        {"b.bScale", test::value(Vector{1, 1, 0})},
        {"b.bScale", test::value(Vector{kNaN, 1, 1})},
        {"b.bScale", test::value(Vector{1, kInf, 1})},
        {"b.bRot", test::value(Vector{kNaN, 0, 0})},
        {"b.bRot", test::value(Vector{0, 0, kInf})},
        {"b.bTransl", test::value(Vector{kInf, 0, 0})},
        {"b.bTransl", test::value(Vector{0, kNaN, 0})},
    };
    for (int kind = 0; kind <= 3; ++kind)
        for (const Case& c : cases)
            for (bool positive : {true, false}) {
                Blocker b;
                b.net.set("b.bType", kind).set("b.bExtraScale", 2.0f).set("b.bPositive", positive);
                b.net.setValue(c.param, c.value);
                const RGB expected = positive ? kLight : blend(kLight, kFilter, 0);
                for (Vector p :
                     {Vector{0, 0, 0}, Vector{0.3f, 0, 0}, Vector{1.5f, 0, 0}, Vector{0, 0, 9}})
                    expectRGB(b.at(p), expected, 0);
            }
}

TEST(BlockerNode, BlockerWithoutLocalDataLetsTheLightPass) {
    // As when initialize found no memory: the light is left as it is.
    Blocker b;
    b.net.set("b.bType", orv::kBlockerShapeCount);  // would filter everywhere
    ShaderGlobals sg = lightSample({0, 0, 0}, kLight);
    host::evaluateNode(b.net.node("b"), &sg);
    expectRGB(sg.lightIntensity, kLight, 0);
}

TEST(BlockerNode, DegenerateOuterShapeLeavesNoRamp) {
    for (float extra : {0.0f, kNaN, kInf, -kInf}) {
        Blocker b;
        b.net.set("b.bType", 1).set("b.bExtraScale", extra);
        for (float d : {0.0f, 0.5f, 1.5f, 3.0f}) expectRGB(b.at({d, 0, 0}), kLight, 0);
    }
}

// evaluate takes the steps of BlockerField::value itself, so that a sample outside the outer
// shape ends on the bFilter read; the two must agree to the bit everywhere.
TEST(BlockerNode, EvaluationAgreesWithTheFieldItSetUp) {
    struct Placement {
        Vector scale;
        float extra;
    };
    // The last inner shape cannot be inverted where the outer one can: no shared placement.
    const Placement placements[] = {
        {{1, 1, 1}, 2}, {{0.7f, 1.3f, 2}, 1.5f}, {{1e-39f, 1, 1}, 1e38f}};
    const Vector points[] = {{0, 0, 0},       {0.2f, 0, 0.1f},     {0.8f, 0.0015f, 0.1f},
                             {1.5f, 0.2f, 0}, {0.75f, 0.2f, 0},    {0.01f, 0.4f, -0.3f},
                             {3, 0.5f, 0},    {0.3f, -1.7f, 1.1f}, {kNaN, 0, 0}};
    for (int kind = 0; kind <= orv::kBlockerShapeCount; ++kind)
        for (const Placement& at : placements)
            for (int decay : {0, 1, 3})
                for (bool positive : {true, false}) {
                    const orv::BlockerParams p{false,
                                               kind,
                                               orv::Float3(at.scale),
                                               orv::Float3(0, 30, 45),
                                               orv::Float3(0, 0, 0),
                                               positive,
                                               at.extra,
                                               decay};
                    orv::BlockerField field;
                    field.setUp(p);
                    Blocker b;
                    b.net.set("b.bType", kind)
                        .set("b.bScale", at.scale)
                        .set("b.bRot", Vector{0, 30, 45});
                    b.net.set("b.bExtraScale", at.extra).set("b.bDecayPower", decay);
                    b.net.set("b.bPositive", positive);
                    for (const Vector& point : points) {
                        const float v = field.value(point);
                        const orv::Float3 light(kLight),
                            filtered = mul(light, orv::Float3(kFilter));
                        const RGB want = (v == 1.0f   ? light
                                          : v == 0.0f ? filtered
                                                      : lerp(filtered, light, v))
                                             .toRGB();
                        const RGB got = b.at(point);
                        EXPECT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b)
                            << "kind " << kind << " scale " << at.scale.x << " decay " << decay
                            << " positive " << positive << " at " << point.x << " " << point.y
                            << " " << point.z << ": v " << v;
                    }
                }
}

// Counting nodes, one per value type, feed every parameter so that evaluations can be counted.
std::map<std::string, int>& evaluations() {
    static std::map<std::string, int> counts;
    return counts;
}

template <uint8_t Type>
void countingParameters(ParamList* params, NodeEntry*) {
    switch (Type) {
        case kTypeBoolean:
            AiNodeParamBool(params, -1, "value", false);
            break;
        case kTypeInt:
            AiNodeParamInt(params, -1, "value", 0);
            break;
        case kTypeFloat:
            AiNodeParamFlt(params, -1, "value", 0);
            break;
        case kTypeRGB:
            AiNodeParamRGB(params, -1, "value", 0, 0, 0);
            break;
        default:
            AiNodeParamVec(params, -1, "value", 0, 0, 0);
    }
}

template <uint8_t Type>
void countingEvaluate(Node* node, ShaderGlobals* sg) {
    ++evaluations()[node->name];
    switch (Type) {
        case kTypeBoolean:
            sg->out.boolean = AiShaderEvalParamFuncBool(sg, node, 0);
            break;
        case kTypeInt:
            sg->out.integer = AiShaderEvalParamFuncInt(sg, node, 0);
            break;
        case kTypeFloat:
            sg->out.flt = AiShaderEvalParamFuncFlt(sg, node, 0);
            break;
        case kTypeRGB:
            sg->out.rgb = AiShaderEvalParamFuncRGB(sg, node, 0);
            break;
        default:
            sg->out.vec = AiShaderEvalParamFuncVec(sg, node, 0);
    }
}

void noLifecycle(Node*, void*) {}
void noFinish(Node*) {}

template <uint8_t Type>
void registerCounting(host::Universe& universe, const char* name) {
    static const CommonNodeMethods common = {countingParameters<Type>, noLifecycle, noLifecycle,
                                             noFinish};
    static const ShaderNodeMethods shader = {countingEvaluate<Type>};
    static const NodeMethods methods = {&common, &shader};
    NodeDescriptor d{};
    d.nodeKind = kNodeShader;
    d.outputType = Type;
    d.name = name;
    d.methods = &methods;
    universe.registry().add(d, "test");
}

/// A blocker whose nine parameters are each fed by a counting node named after it.
struct CountedBlocker : Blocker {
    CountedBlocker(bool mute) {
        host::Universe& u = net.universe();
        registerCounting<kTypeBoolean>(u, "count_bool");
        registerCounting<kTypeInt>(u, "count_int");
        registerCounting<kTypeFloat>(u, "count_float");
        registerCounting<kTypeRGB>(u, "count_rgb");
        registerCounting<kTypeVector>(u, "count_vector");
        const std::pair<const char*, const char*> feeds[] = {
            {"mute", "count_bool"},       {"bFilter", "count_rgb"},
            {"bType", "count_int"},       {"bScale", "count_vector"},
            {"bRot", "count_vector"},     {"bTransl", "count_vector"},
            {"bPositive", "count_bool"},  {"bExtraScale", "count_float"},
            {"bDecayPower", "count_int"},
        };
        for (const auto& [param, type] : feeds) {
            net.add(type, param);
            net.link(std::string("b.") + param, param);
        }
        net.set("mute.value", mute)
            .set("bFilter.value", kFilter)
            .set("bScale.value", Vector{1, 1, 1});
        net.set("bPositive.value", true).set("bExtraScale.value", 1.0f).set("bDecayPower.value", 1);
        evaluations().clear();
    }
};

TEST(BlockerNode, MutedBlockerReadsOnlyMuteAndFilter) {
    CountedBlocker b(true);
    for (int i = 0; i < 3; ++i) expectRGB(b.at({0, 0, 0}), kLight, 0);  // on the card
    const std::map<std::string, int> expected = {{"mute", 1}, {"bFilter", 3}};
    EXPECT_EQ(evaluations(), expected);
}

TEST(BlockerNode, SetUpReadsEachParameterOnceAndTheFilterEverySample) {
    CountedBlocker b(false);
    for (int i = 0; i < 3; ++i) expectRGB(b.at({0, 0, 0}), blend(kLight, kFilter, 0), 0);
    std::map<std::string, int> expected = {
        {"mute", 1},    {"bFilter", 3},   {"bType", 1},       {"bScale", 1},      {"bRot", 1},
        {"bTransl", 1}, {"bPositive", 1}, {"bExtraScale", 1}, {"bDecayPower", 1},
    };
    EXPECT_EQ(evaluations(), expected);

    // An update (here of the upstream node) makes the next evaluation set up again.
    b.net.set("bRot.value", Vector{0, 0, 90});
    b.at({0, 0, 0});
    for (auto& [name, count] : expected) ++count;
    EXPECT_EQ(evaluations(), expected);
}

// Stands for a network behind bScale that traces a ray lit through the same blocker: its first
// evaluation shades a sample of its own through the blocker on the same thread (entering the
// blocker's set-up again through its recursive lock) and then answers a scale of 3; the nested
// evaluation answers 1 at once.
struct Reentry {
    Node* blocker = nullptr;
    Vector point{};
    RGB nestedLight{};
    int depth = 0;
    int evaluations = 0;
};
Reentry& reentry() {
    static Reentry r;
    return r;
}

void reentryEvaluate(Node*, ShaderGlobals* sg) {
    Reentry& r = reentry();
    ++r.evaluations;
    if (r.depth > 0) {
        sg->out.vec = Vector{1, 1, 1};
        return;
    }
    ++r.depth;
    ShaderGlobals child = lightSample(r.point, kLight);
    {
        host::SampleScope scope(*sg->host->thread, child, nullptr, 1);
        host::evaluateNode(r.blocker, &child);
    }
    --r.depth;
    r.nestedLight = child.lightIntensity;
    sg->out.vec = Vector{3, 3, 3};
}

TEST(BlockerNode, SetUpReenteredFromItsOwnParametersIsNotRebuilt) {
    static const CommonNodeMethods common = {countingParameters<kTypeVector>, noLifecycle,
                                             noLifecycle, noFinish};
    static const ShaderNodeMethods shader = {reentryEvaluate};
    static const NodeMethods methods = {&common, &shader};
    NodeDescriptor d{};
    d.nodeKind = kNodeShader;
    d.outputType = kTypeVector;
    d.name = "test_reentry";
    d.methods = &methods;
    Blocker b;
    b.net.universe().registry().add(d, "test");
    b.net.add("test_reentry", "scale");
    b.net.set("b.bType", 1).link("b.bScale", "scale");
    reentry() = Reentry{b.net.node("b"), Vector{2, 0, 0}};

    // The nested set-up completes with a unit sphere and its sample is lit through it. Other
    // threads may be reading those shapes by now, so the outer set-up must not rebuild them
    // from its own read: every sample of this update sees the sphere the nested one saw.
    const RGB outer = b.at({2, 0, 0});
    EXPECT_EQ(reentry().evaluations, 2);
    expectRGB(reentry().nestedLight, kLight, 0);
    expectRGB(outer, kLight, 0);
    expectRGB(b.atWithoutUpdate({2, 0, 0}), kLight, 0);
    expectRGB(b.atWithoutUpdate({0.5f, 0, 0}), blend(kLight, kFilter, 0), 0);
    EXPECT_EQ(reentry().evaluations, 2);
}

TEST(BlockerNode, ThreadsRacingToSetUpAgree) {
    SphereBlocker b(2);
    b.net.prepare();
    constexpr int kThreads = 4;
    for (int t = 0; t < kThreads; ++t) b.net.thread(t);
    std::vector<std::vector<RGB>> results(kThreads);
    std::vector<std::thread> workers;
    Node* node = b.net.node("b");
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                ShaderGlobals sg = lightSample({0.01f * i, 0, 0.3f}, kLight);
                host::SampleScope scope(b.net.thread(t), sg);
                host::evaluateNode(node, &sg);
                results[t].push_back(sg.lightIntensity);
            }
        });
    for (std::thread& w : workers) w.join();
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < 200; ++i) {
            const RGB expected = b.at({0.01f * i, 0, 0.3f});
            EXPECT_EQ(results[t][i].r, expected.r);
            EXPECT_EQ(results[t][i].g, expected.g);
        }
}

}  // namespace
