// orv_trace driven through the host with real geometry: probes, traced rays and their
// overrides, the environment mode, origins, directions, glossy families and their set-up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "shading/network.h"
#include "shading/sample_state.h"
#include "support/test_nodes.h"
#include "trace_scene.h"

namespace {

using test::lastShaded;
using test::TraceScene;

constexpr RGB kBallColor{0.8f, 0.2f, 0.1f};
const Vector kHere{0, 0, 0};
const Vector kTowardsBall{0, 0, -1};
const Vector kAway{0, 0, 1};

bool nearlyEqual(float a, float b) {
    return a == b || std::fabs(a - b) <= 4e-7f * std::fmax(std::fabs(a), std::fabs(b));
}
::testing::AssertionResult isColor(const RGB& c, float r, float g, float b) {
    if (nearlyEqual(c.r, r) && nearlyEqual(c.g, g) && nearlyEqual(c.b, b))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << c.r << ", " << c.g << ", " << c.b << ") is not ("
                                         << r << ", " << g << ", " << b << ")";
}
#define EXPECT_RGB(c, R, G, B) EXPECT_TRUE(isColor((c), (R), (G), (B)))

bool finiteColor(const RGB& c) {
    return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b);
}

/// A ball straight ahead (along -Z from the origin) and nothing behind.
class TraceNodeTest : public ::testing::Test {
  protected:
    TraceNodeTest() {
        scene.shader("red", kBallColor);
        scene.sphere("ball", {0, 0, -5}, 1.0f, "red");
        scene.net.add("orv_trace", "tr");
    }
    test::Network& net() { return scene.net; }
    RGB towardsBall() { return scene.color("tr", TraceScene::sampleAt(kHere, kTowardsBall)); }
    RGB away() { return scene.color("tr", TraceScene::sampleAt(kHere, kAway)); }
    uint64_t rays() { return net().thread(0).raysTraced; }

    TraceScene scene;
};

TEST_F(TraceNodeTest, DefaultProbeGivesGreenOnHitAndRedOnMiss) {
    scene.build();
    EXPECT_RGB(towardsBall(), 0, 1, 0);
    EXPECT_RGB(away(), 1, 0, 0);
    EXPECT_EQ(lastShaded().evaluations, 0) << "a probe shades nothing";
}

TEST_F(TraceNodeTest, ProbeIgnoresOverridesAndUsesThisSamplesColours) {
    scene.build();
    net().set("tr.onHitOverride", true).set("tr.onNoHitOverride", true);
    net().set("tr.onHitColor", RGB{0.25f, 0.5f, 1}).set("tr.onNoHitColor", RGB{2, 3, 4});
    EXPECT_RGB(towardsBall(), 0.25f, 0.5f, 1);
    EXPECT_RGB(away(), 2, 3, 4);
}

TEST_F(TraceNodeTest, TracedRayReturnsShadedColourOnHitAndBackgroundOnMiss) {
    scene.build();
    for (int rayType : {1, 2}) {
        net().set("tr.rayType", rayType);
        EXPECT_RGB(towardsBall(), kBallColor.r, kBallColor.g, kBallColor.b);
        EXPECT_RGB(away(), 0.1f, 0.2f, 0.3f);
    }
}

TEST_F(TraceNodeTest, OverridesReplaceOnlyTheirOwnCase) {
    scene.build();
    net().set("tr.rayType", 1).set("tr.onNoHitOverride", true);
    EXPECT_RGB(towardsBall(), kBallColor.r, kBallColor.g, kBallColor.b);
    EXPECT_RGB(away(), 1, 0, 0);
    net().set("tr.onNoHitOverride", false).set("tr.onHitOverride", true);
    const int shadedBefore = lastShaded().evaluations;
    EXPECT_RGB(towardsBall(), 0, 1, 0);
    EXPECT_EQ(lastShaded().evaluations, shadedBefore + 1) << "the hit is still shaded";
    EXPECT_RGB(away(), 0.1f, 0.2f, 0.3f);
    net().set("tr.rayType", 2).set("tr.onNoHitOverride", true);
    EXPECT_RGB(towardsBall(), 0, 1, 0);
    EXPECT_RGB(away(), 1, 0, 0);
}

TEST_F(TraceNodeTest, RayTypeCodesFourAndEightReachTheHost) {
    scene.build();
    const host::ThreadContext& thread = net().thread(0);
    net().set("tr.rayType", 1);
    towardsBall();
    EXPECT_EQ(lastShaded().rayType, kRayReflected);
    EXPECT_EQ(lastShaded().rayDepth, 1);
    net().set("tr.rayType", 2);
    towardsBall();
    EXPECT_EQ(lastShaded().rayType, kRayRefracted);
    EXPECT_EQ(thread.raysByType[2], 1u);
    EXPECT_EQ(thread.raysByType[3], 1u);
    net().set("tr.rayType", 0);
    towardsBall();
    EXPECT_EQ(thread.raysByType[2], 2u) << "a probe is made with code 4";
    EXPECT_EQ(thread.raysByType[3], 1u);
}

TEST_F(TraceNodeTest, HitIsShadedWithTheHostsSampleOfTheHit) {
    scene.build();
    net().set("tr.rayType", 1);
    towardsBall();
    const test::ShadedSample& seen = lastShaded();
    EXPECT_EQ(seen.object, net().node("ball"));
    EXPECT_NEAR(seen.rayDirection.z, -1.0f, 1e-6f);
    EXPECT_NEAR(seen.normal.z, 1.0f, 1e-6f);
    EXPECT_NEAR(seen.alternateNormal.z, 1.0f, 1e-6f) << "faces the incoming ray";
}

TEST_F(TraceNodeTest, OutOfRangeRayTypeCastsNothingAndGivesTheNoHitColour) {
    scene.build();
    for (int rayType : {4, -1, 1000}) {
        net().set("tr.rayType", rayType);
        const uint64_t before = rays();
        EXPECT_RGB(towardsBall(), 1, 0, 0);
        EXPECT_EQ(rays(), before);
    }
}

TEST_F(TraceNodeTest, OriginOneTakesCustomOriginAndAnyOtherValueTheShadingPoint) {
    scene.build();
    // Beyond the ball, the same direction finds nothing.
    net().set("tr.customOrigin", Vector{0, 0, -10});
    for (int origin : {0, 2, -1}) {
        net().set("tr.origin", origin);
        EXPECT_RGB(towardsBall(), 0, 1, 0) << origin;
    }
    net().set("tr.origin", 1);
    EXPECT_RGB(towardsBall(), 1, 0, 0);
    net().set("tr.customOrigin", Vector{0, 0, -2});
    EXPECT_RGB(away(), 1, 0, 0);
    EXPECT_RGB(towardsBall(), 0, 1, 0);
}

TEST_F(TraceNodeTest, DirectionModesChooseTheCentralDirection) {
    scene.sphere("upper", {5, 5, 0}, 1.0f, "red");
    scene.build();
    // At the origin on a floor facing +Y, looking down and to +X: the mirror goes up to +X.
    const float h = std::sqrt(0.5f);
    ShaderGlobals sg = TraceScene::sampleAt(kHere, {h, -h, 0});
    sg.normal = sg.geometricNormal = sg.alternateNormal = Vector{0, 1, 0};
    sg.object = net().node("ball");
    net().set("tr.direction", 0);
    EXPECT_RGB(scene.color("tr", sg), 1, 0, 0);
    net().set("tr.direction", 1);
    EXPECT_RGB(scene.color("tr", sg), 0, 1, 0);
    // Index 1 into 1 bends nothing; a direction out of range keeps the incoming one.
    net().set("tr.direction", 2).set("tr.ior", 1.0f);
    EXPECT_RGB(scene.color("tr", sg), 1, 0, 0);
    net().set("tr.direction", 9);
    EXPECT_RGB(scene.color("tr", sg), 1, 0, 0);
    net().set("tr.direction", 3).set("tr.customDirection", Vector{0, 0, -7});
    EXPECT_RGB(scene.color("tr", sg), 0, 1, 0);
    // However long or short, a finite custom direction is a direction.
    for (float length : {1e20f, 1e-24f}) {
        net().set("tr.customDirection", Vector{0, 0, -length});
        EXPECT_RGB(scene.color("tr", sg), 0, 1, 0) << length;
    }
    net().set("tr.customDirection", Vector{0, 0, 0});
    EXPECT_RGB(scene.color("tr", sg), 1, 0, 0) << "a zero direction misses";
}

TEST_F(TraceNodeTest, MirrorModeUsesGuardedReflectionAboutTheShadingNormal) {
    scene.sphere("upper", {5, 5, 0}, 1.0f, "red");
    scene.build();
    const float h = std::sqrt(0.5f);
    ShaderGlobals sg = TraceScene::sampleAt(kHere, {h, -h, 0});
    sg.object = net().node("ball");
    sg.normal = sg.geometricNormal = Vector{0, 1, 0};
    // An alternate normal that would mirror the ray away from the upper ball: not used here.
    sg.alternateNormal = Vector{1, 0, 0};
    net().set("tr.direction", 1);
    EXPECT_RGB(scene.color("tr", sg), 0, 1, 0);
}

/// An environment that records the direction it is asked about and looks along the mirror of
/// it about the shading normal, as a reflection environment would.
struct EnvironmentSeen {
    int evaluations = 0;
    Vector rayDirection{0, 0, 0};
    Vector lookDirection{0, 0, 0};
};
EnvironmentSeen& environmentSeen() {
    static EnvironmentSeen seen;
    return seen;
}
void envParameters(ParamList* params, NodeEntry*) {
    AiNodeParamRGB(params, -1, "color", 0.5f, 0.5f, 0.5f);
}
void envNothing(Node*, void*) {}
void envFinish(Node*) {}
void envEvaluate(Node* node, ShaderGlobals* sg) {
    EnvironmentSeen& seen = environmentSeen();
    ++seen.evaluations;
    seen.rayDirection = sg->rayDirection;
    AiReflect(&sg->rayDirection, &sg->normal, &seen.lookDirection);
    sg->out.rgb = AiShaderEvalParamFuncRGB(sg, node, 0);
}
const CommonNodeMethods kEnvCommon = {envParameters, envNothing, envNothing, envFinish};
const ShaderNodeMethods kEnvShader = {envEvaluate};
const NodeMethods kEnvMethods = {&kEnvCommon, &kEnvShader};

class TraceEnvironmentTest : public TraceNodeTest {
  protected:
    TraceEnvironmentTest() {
        NodeDescriptor d{};
        d.nodeKind = kNodeShader;
        d.outputType = kTypeRGB;
        d.name = "trace_test_environment";
        d.methods = &kEnvMethods;
        net().universe().registry().add(d, "test");
        environmentSeen() = EnvironmentSeen{};
        for (const char* name : {"envA", "envB"}) net().add("trace_test_environment", name);
        net().set("envA.color", RGB{0.1f, 0.2f, 0.9f}).set("envB.color", RGB{0.7f, 0.6f, 0.5f});
        for (const char* name : {"a", "b", "c"})
            scene.sphere(name, {0, 100, 0}, 1.0f, "red");  // far away; never hit
        userEnvironment("a", "envA");
        userEnvironment("b", "envB");
        scene.build();
        net().set("tr.rayType", 3);
    }
    void userEnvironment(const std::string& object, const std::string& env) {
        net().universe().setUserParam(net().node(object), "environment",
                                      host::ParamValue::makeNode(net().node(env)));
    }
    ShaderGlobals onObject(const std::string& name) {
        ShaderGlobals sg = TraceScene::sampleAt({1, 2, 3}, {0.6f, -0.8f, 0}, net().node(name));
        sg.normal = Vector{0, 1, 0};
        return sg;
    }
    /// Forces an update of the trace node at the next lifecycle run.
    void touch() { net().set("tr.samples", 4); }
};

TEST_F(TraceEnvironmentTest, RestoresIncomingDirectionExactlyAndLooksAlongTheGivenDirection) {
    net().set("tr.direction", 3).set("tr.customDirection", Vector{1, 2, -3});
    ShaderGlobals sg = onObject("a");
    const Vector incoming = sg.rayDirection;
    const uint64_t before = rays();
    const ShaderGlobals after = net().evaluateGlobals("tr", sg);
    EXPECT_EQ(std::memcmp(&after.rayDirection, &incoming, sizeof(Vector)), 0);
    EXPECT_RGB(after.out.rgb, 0.1f, 0.2f, 0.9f);
    EXPECT_EQ(rays(), before) << "no ray is made";
    const EnvironmentSeen& seen = environmentSeen();
    ASSERT_EQ(seen.evaluations, 1);
    const float len = std::sqrt(14.0f);
    EXPECT_NEAR(seen.lookDirection.x, 1 / len, 1e-6f);
    EXPECT_NEAR(seen.lookDirection.y, 2 / len, 1e-6f);
    EXPECT_NEAR(seen.lookDirection.z, -3 / len, 1e-6f);
    // What it was handed is the mirror of the direction about the shading normal.
    EXPECT_NEAR(seen.rayDirection.y, -2 / len, 1e-6f);
}

TEST_F(TraceEnvironmentTest, IgnoresOverridesAndOrigin) {
    net().set("tr.onHitOverride", true).set("tr.onNoHitOverride", true).set("tr.origin", 1);
    net().set("tr.customOrigin", Vector{NAN, 0, 0});
    EXPECT_RGB(scene.color("tr", onObject("a")), 0.1f, 0.2f, 0.9f);
}

TEST_F(TraceEnvironmentTest, MirrorDirectionUsesPlainReflectionAboutTheAlternateNormal) {
    net().set("tr.direction", 1);
    ShaderGlobals sg = onObject("a");
    sg.rayDirection = Vector{0, 0, -1};
    sg.alternateNormal = Vector{0, 0.6f, 0.8f};
    scene.color("tr", sg);
    // d = reflect((0,0,-1), (0,0.6,0.8)) = (0, 0.96, 0.28); looked along exactly.
    EXPECT_NEAR(environmentSeen().lookDirection.x, 0.0f, 1e-6f);
    EXPECT_NEAR(environmentSeen().lookDirection.y, 0.96f, 1e-6f);
    EXPECT_NEAR(environmentSeen().lookDirection.z, 0.28f, 1e-6f);
}

TEST_F(TraceEnvironmentTest, EnvironmentComesFromTheFirstObjectShadedAfterAnUpdate) {
    EXPECT_RGB(scene.color("tr", onObject("a")), 0.1f, 0.2f, 0.9f);
    EXPECT_RGB(scene.colorWithoutUpdate("tr", onObject("b")), 0.1f, 0.2f, 0.9f);
    EXPECT_RGB(scene.colorWithoutUpdate("tr", onObject("c")), 0.1f, 0.2f, 0.9f);
    touch();
    EXPECT_RGB(scene.color("tr", onObject("b")), 0.7f, 0.6f, 0.5f);
    EXPECT_RGB(scene.colorWithoutUpdate("tr", onObject("a")), 0.7f, 0.6f, 0.5f);
}

TEST_F(TraceEnvironmentTest, NoEnvironmentOnTheFirstObjectGivesTheNoHitColourUntilUpdate) {
    net().set("tr.onNoHitColor", RGB{0.3f, 0.3f, 0.3f});
    EXPECT_RGB(scene.color("tr", onObject("c")), 0.3f, 0.3f, 0.3f);
    EXPECT_RGB(scene.colorWithoutUpdate("tr", onObject("a")), 0.3f, 0.3f, 0.3f);
    EXPECT_EQ(environmentSeen().evaluations, 0);
    ShaderGlobals noObject = onObject("a");
    noObject.object = nullptr;
    touch();
    EXPECT_RGB(scene.color("tr", noObject), 0.3f, 0.3f, 0.3f);
    touch();
    EXPECT_RGB(scene.color("tr", onObject("a")), 0.1f, 0.2f, 0.9f);
}

TEST_F(TraceEnvironmentTest, LookupThatReachesItselfAnswersTheNoHitColour) {
    // The object's environment is a network that looks the same environment up again.
    scene.shader("envNet", RGB{0, 0, 0});
    net().add("orv_trace", "inner");
    net().set("inner.rayType", 3).set("inner.onNoHitColor", RGB{0.6f, 0.6f, 0.6f});
    net().link("envNet.color", "inner");
    userEnvironment("c", "envNet");
    ::testing::internal::CaptureStderr();
    EXPECT_RGB(scene.color("tr", onObject("c")), 0.6f, 0.6f, 0.6f);
    // The environment that is the trace node itself.
    userEnvironment("c", "tr");
    touch();
    net().set("tr.onNoHitColor", RGB{0.3f, 0.3f, 0.3f});
    EXPECT_RGB(scene.color("tr", onObject("c")), 0.3f, 0.3f, 0.3f);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the host's bound was not needed";
}

TEST_F(TraceEnvironmentTest, SameLookupInsideATracedRaysHitIsNoLoop) {
    // tr looks up envNet, whose traced ray hits the ball, shaded by tr again with envNet: the
    // hit is a new sample, so each level looks up again, down to the ray depth, where the ray
    // misses and brings back its no-hit colour.
    scene.shader("envNet", RGB{0, 0, 0});
    net().add("orv_trace", "ray");
    net().set("ray.rayType", 1).set("ray.origin", 1).set("ray.direction", 3);
    net().set("ray.customDirection", Vector{0, 0, -1}).set("ray.onNoHitOverride", true);
    net().set("ray.onNoHitColor", RGB{0.25f, 0.5f, 0.75f});
    net().link("envNet.color", "ray");
    scene.setNode("ball.shader", "tr");
    userEnvironment("c", "envNet");
    net().set("tr.onNoHitColor", RGB{0.3f, 0.3f, 0.3f});
    EXPECT_RGB(scene.color("tr", onObject("c")), 0.25f, 0.5f, 0.75f);
}

// --- glossy families ---------------------------------------------------------------------------

TEST_F(TraceNodeTest, FamilyNeedsOneSampleOrMoreAndSpreadOfAtLeastAThousandth) {
    scene.build();
    net().set("tr.glossy", true).set("tr.samples", 4).set("tr.spread", 0.001f);
    uint64_t before = rays();
    towardsBall();
    EXPECT_EQ(rays() - before, 4u);
    net().set("tr.spread", 0.0009f);
    before = rays();
    towardsBall();
    EXPECT_EQ(rays() - before, 1u);
    for (int samples : {0, -3}) {
        net().set("tr.spread", 0.5f).set("tr.samples", samples);
        before = rays();
        EXPECT_RGB(towardsBall(), 0, 1, 0);
        EXPECT_EQ(rays() - before, 1u) << samples;
    }
    net().set("tr.samples", 1);
    before = rays();
    towardsBall();
    EXPECT_EQ(rays() - before, 1u);
}

TEST_F(TraceNodeTest, FourRayFamilyIsAveragedWithTheInverseCount) {
    // Looking down -Z the family's frame has its local y along world +X: a wall at x = 5 is hit
    // by the two of four stratified directions whose angle about the axis is below pi.
    scene.plane("wall", {5, 0, 0}, {0, 0, 90}, 1000.0f, "red");
    scene.build();
    net().set("tr.glossy", true).set("tr.samples", 4).set("tr.spread", 0.5f);
    net().set("tr.onHitColor", RGB{1, 0, 0}).set("tr.onNoHitColor", RGB{0, 0, 0});
    const RGB c = scene.color("tr", TraceScene::sampleAt(kHere, {0, 0, -1}));
    EXPECT_FLOAT_EQ(c.r, 0.5f);
    EXPECT_FLOAT_EQ(c.g, 0.0f);
    EXPECT_FLOAT_EQ(c.b, 0.0f);
}

TEST_F(TraceNodeTest, DeeperFamiliesAreWeightedByWhatTheIteratorHandedOut) {
    scene.sphere("sky", {0, 0, 0}, 50.0f, "red");  // every direction hits
    scene.build();
    net().set("tr.glossy", true).set("tr.samples", 8).set("tr.spread", 1.0f);
    net().set("tr.onHitColor", RGB{1, 0.5f, 0.25f});
    net().prepare();
    for (int depth : {0, 1, 2, 3, 4}) {
        const uint64_t before = rays();
        const RGB c = scene.colorWithoutUpdate("tr", TraceScene::sampleAt(kHere, kAway), depth);
        EXPECT_FLOAT_EQ(c.r, 1.0f) << depth;
        EXPECT_FLOAT_EQ(c.g, 0.5f) << depth;
        EXPECT_EQ(rays() - before, std::max(1u, 8u >> depth)) << depth;
    }
}

TEST_F(TraceNodeTest, SamplesChangeOnlyAfterUpdate) {
    scene.build();
    net().set("tr.glossy", true).set("tr.samples", 4).set("tr.spread", 0.2f);
    uint64_t before = rays();
    towardsBall();
    EXPECT_EQ(rays() - before, 4u);
    net().universe().setParam(net().node("tr"), "samples", host::ParamValue::makeInt(16));
    before = rays();
    scene.colorWithoutUpdate("tr", TraceScene::sampleAt(kHere, kTowardsBall));
    EXPECT_EQ(rays() - before, 4u);
    before = rays();
    towardsBall();  // runs the update
    EXPECT_EQ(rays() - before, 16u);
}

TEST_F(TraceNodeTest, FamilyOfTracedRaysAveragesTheirColours) {
    scene.sphere("sky", {0, 0, 0}, 50.0f, "red");
    scene.build();
    net().set("tr.rayType", 1).set("tr.glossy", true).set("tr.samples", 16).set("tr.spread", 1.0f);
    const RGB c = scene.color("tr", TraceScene::sampleAt(kHere, kAway));
    EXPECT_NEAR(c.r, kBallColor.r, 1e-6f);
    EXPECT_NEAR(c.g, kBallColor.g, 1e-6f);
    EXPECT_NEAR(c.b, kBallColor.b, 1e-6f);
}

TEST_F(TraceNodeTest, ZeroCentralDirectionCollapsesTheFamilyWithoutNaN) {
    scene.build();
    net().set("tr.glossy", true).set("tr.samples", 4).set("tr.spread", 0.5f);
    net().set("tr.direction", 3).set("tr.customDirection", Vector{0, 0, 0});
    const uint64_t before = rays();
    EXPECT_RGB(towardsBall(), 1, 0, 0);
    EXPECT_EQ(rays() - before, 4u);
    // A tiny but usable direction is normalised first, so its family is a real cone.
    net().set("tr.customDirection", Vector{0, 0, -1e-20f}).set("tr.spread", 0.01f);
    EXPECT_RGB(towardsBall(), 0, 1, 0);
}

TEST_F(TraceNodeTest, SampleWithoutHostStateGivesBlackFamilyAndNoHitProbe) {
    scene.build();
    net().set("tr.glossy", true).set("tr.samples", 4).set("tr.spread", 0.5f);
    net().prepare();
    ShaderGlobals sg = TraceScene::sampleAt(kHere, kTowardsBall);
    host::evaluateNode(net().node("tr"), &sg);  // no SampleScope: no arena, no world
    EXPECT_RGB(sg.out.rgb, 0, 0, 0);
    net().set("tr.glossy", false);
    net().prepare();
    host::evaluateNode(net().node("tr"), &sg);
    EXPECT_RGB(sg.out.rgb, 1, 0, 0);
}

TEST_F(TraceNodeTest, EachSampleEvaluatesOnlyTheInputsItsModesUse) {
    // Every per-sample input is fed by a recorder named after it, which logs its evaluations.
    test::registerTestNodes(net().universe());
    for (const char* input :
         {"onHitColor", "onNoHitColor", "customOrigin", "customDirection", "ior"}) {
        net().add("test_recorder", input);
        net().link(std::string("tr.") + input, input);
    }
    scene.build();
    struct Case {
        int rayType;
        bool onHitOverride, onNoHitOverride;
        int origin, direction;
        std::vector<std::string> evaluated;
    };
    const Case cases[] = {
        {0, false, false, 0, 0, {"onHitColor", "onNoHitColor"}},
        {1, false, false, 2, 1, {}},
        {1, true, false, 0, 0, {"onHitColor"}},
        {2, true, true, 1, 2, {"onHitColor", "onNoHitColor", "customOrigin", "ior"}},
        {3, true, true, 0, 3, {"onNoHitColor", "customDirection"}},  // no environment: a miss
        {7, false, false, 1, 0, {"onNoHitColor", "customOrigin"}},
    };
    for (const Case& c : cases) {
        net()
            .set("tr.rayType", c.rayType)
            .set("tr.origin", c.origin)
            .set("tr.direction", c.direction);
        net().set("tr.onHitOverride", c.onHitOverride).set("tr.onNoHitOverride", c.onNoHitOverride);
        net().prepare();
        scene.colorWithoutUpdate("tr", TraceScene::sampleAt(kHere, kAway));  // sets up
        test::recorderEvents().clear();
        scene.colorWithoutUpdate("tr", TraceScene::sampleAt(kHere, kAway));
        std::vector<std::string> expected;
        for (const std::string& input : c.evaluated) expected.push_back("evaluate:" + input);
        EXPECT_EQ(test::recorderEvents(), expected) << "rayType " << c.rayType;
    }
}

TEST_F(TraceNodeTest, TraceWithoutLocalDataGivesBlack) {
    // As when initialize found no memory: nothing to cast with.
    scene.build();
    ShaderGlobals sg = TraceScene::sampleAt(kHere, kTowardsBall);
    sg.out.rgb = RGB{7, 7, 7};
    host::evaluateNode(net().node("tr"), &sg);
    EXPECT_RGB(sg.out.rgb, 0, 0, 0);
}

TEST_F(TraceNodeTest, NonFiniteInputsNeverGiveNaNColours) {
    scene.build();
    const float nan = std::nanf("");
    const float inf = INFINITY;
    for (int rayType : {0, 1, 2, 3}) {
        for (bool glossy : {false, true}) {
            for (int direction : {0, 1, 2, 3}) {
                net().set("tr.rayType", rayType).set("tr.glossy", glossy);
                net().set("tr.direction", direction).set("tr.origin", 1);
                net().set("tr.spread", nan).set("tr.ior", nan);
                net().set("tr.customDirection", Vector{nan, inf, 0});
                net().set("tr.customOrigin", Vector{0, -inf, nan});
                EXPECT_TRUE(finiteColor(towardsBall())) << rayType << glossy << direction;
                net().set("tr.spread", inf).set("tr.ior", -inf).set("tr.origin", 0);
                EXPECT_TRUE(finiteColor(towardsBall())) << rayType << glossy << direction;
                ShaderGlobals sg = TraceScene::sampleAt(kHere, {nan, 0, -1});
                EXPECT_TRUE(finiteColor(scene.color("tr", sg))) << rayType << glossy;
            }
        }
    }
}

TEST_F(TraceNodeTest, ConcurrentFirstEvaluationsAgreeOnTheSetUp) {
    scene.sphere("sky", {0, 0, 0}, 50.0f, "red");
    scene.build();
    net().set("tr.glossy", true).set("tr.samples", 4).set("tr.spread", 0.3f);
    for (int t = 0; t < 4; ++t) net().thread(t);
    for (int round = 0; round < 3; ++round) {
        net().set("tr.onHitColor", RGB{0.5f, 0.25f, 1});
        net().prepare();
        std::vector<std::thread> workers;
        std::vector<int> wrong(4, 0);
        for (int t = 0; t < 4; ++t)
            workers.emplace_back([&, t] {
                for (int i = 0; i < 50; ++i) {
                    ShaderGlobals sg = TraceScene::sampleAt(kHere, kAway);
                    host::SampleScope scope(net().thread(t), sg, &scene.world);
                    host::evaluateNode(net().node("tr"), &sg);
                    if (sg.out.rgb.r != 0.5f || sg.out.rgb.g != 0.25f || sg.out.rgb.b != 1.0f)
                        ++wrong[t];
                }
            });
        for (std::thread& w : workers) w.join();
        for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[t], 0) << t;
    }
}

}  // namespace
