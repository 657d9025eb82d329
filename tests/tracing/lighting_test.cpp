// The host's direct lighting: point and spot lights, light filters in order, shadow rays, and a
// card blocker whose soft edge follows its ramp on the floor it lies on.
#include "tracing/lighting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "geometry/geometry_scene.h"
#include "geometry/object_types.h"
#include "shading/sample_state.h"
#include "support/network.h"
#include "tracing/light_models.h"
#include "tracing/world.h"
#include "universe/node.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// Filters for these tests: "test_scale_filter" multiplies the intensity by "factor" and
// scribbles on the output slot; "test_offset_filter" adds "offset". Both log what they saw.
struct Seen {
    std::string filter;
    RGB light;
    Vector point;
};
std::vector<Seen>& seen() {
    static std::vector<Seen> log;
    return log;
}

void scaleParameters(ParamList* params, NodeEntry*) {
    AiNodeParamFlt(params, -1, "factor", 0.5f);
}
void offsetParameters(ParamList* params, NodeEntry*) {
    AiNodeParamFlt(params, -1, "offset", 1.0f);
}
void scaleEvaluate(Node* node, ShaderGlobals* sg) {
    seen().push_back({node->name, sg->lightIntensity, sg->point});
    const float f = AiShaderEvalParamFuncFlt(sg, node, 0);
    sg->lightIntensity =
        RGB{sg->lightIntensity.r * f, sg->lightIntensity.g * f, sg->lightIntensity.b * f};
    sg->out.rgba = RGBA{-1, -1, -1, -1};
}
void offsetEvaluate(Node* node, ShaderGlobals* sg) {
    seen().push_back({node->name, sg->lightIntensity, sg->point});
    const float o = AiShaderEvalParamFuncFlt(sg, node, 0);
    sg->lightIntensity =
        RGB{sg->lightIntensity.r + o, sg->lightIntensity.g + o, sg->lightIntensity.b + o};
}
void nothing(Node*, void*) {}
void finishNothing(Node*) {}

const CommonNodeMethods kScaleCommon = {scaleParameters, nothing, nothing, finishNothing};
const ShaderNodeMethods kScaleShader = {scaleEvaluate};
const NodeMethods kScaleMethods = {&kScaleCommon, &kScaleShader};
const CommonNodeMethods kOffsetCommon = {offsetParameters, nothing, nothing, finishNothing};
const ShaderNodeMethods kOffsetShader = {offsetEvaluate};
const NodeMethods kOffsetMethods = {&kOffsetCommon, &kOffsetShader};

void addType(host::Universe& universe, const char* name, const NodeMethods* methods) {
    NodeDescriptor d{};
    d.nodeKind = kNodeShader;
    d.outputType = kTypeRGB;
    d.name = name;
    d.methods = methods;
    universe.registry().add(d, "test");
}

class LightingTest : public ::testing::Test {
  protected:
    LightingTest() {
        host::registerObjectTypes(net.universe().registry());
        addType(net.universe(), "test_scale_filter", &kScaleMethods);
        addType(net.universe(), "test_offset_filter", &kOffsetMethods);
        seen().clear();
    }

    host::Light& pointLight(Vector position, float intensity, RGB color = {1, 1, 1}) {
        world.lights.emplace_back();
        host::Light& light = world.lights.back();
        light.position = position;
        light.intensity = intensity;
        light.color = color;
        return light;
    }

    /// Builds the geometry from the universe's objects; call after adding them.
    void buildGeometry() {
        geometry = std::make_unique<host::GeometryScene>(net.universe());
        world.geometry = geometry.get();
    }

    /// Light reflected at `point` with shading and geometric normal `normal`.
    RGB shade(Vector point, Vector normal = {0, 1, 0}, RGB albedo = {1, 1, 1},
              ShaderGlobals* after = nullptr) {
        net.prepare();
        ShaderGlobals sg = host::blankShaderGlobals();
        sg.point = point;
        sg.normal = sg.alternateNormal = sg.geometricNormal = normal;
        sg.lightIntensity = RGB{0.125f, 0.25f, 0.375f};
        sg.out.rgba = RGBA{9, 8, 7, 6};
        host::SampleScope scope(net.thread(0), sg, &world);
        const RGB result = host::directLighting(&sg, albedo);
        if (after) *after = sg;
        return result;
    }

    test::Network net;
    host::World world;
    std::unique_ptr<host::GeometryScene> geometry;
};

void expectRGB(RGB actual, RGB expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.r, expected.r, tolerance);
    EXPECT_NEAR(actual.g, expected.g, tolerance);
    EXPECT_NEAR(actual.b, expected.b, tolerance);
}

TEST_F(LightingTest, PointLightFallsOffWithTheSquareOfDistanceAndTheCosine) {
    pointLight({0, 2, 0}, 8, RGB{1, 0.5f, 0.25f});
    const RGB albedo{0.5f, 1, 1};
    // Straight above at distance 2: 8 / 4.
    expectRGB(shade({0, 0, 0}, {0, 1, 0}, albedo),
              RGB{0.5f * 2 / kPi, 0.5f * 2 / kPi, 0.25f * 2 / kPi});
    // Twice as far: a quarter.
    expectRGB(shade({0, -2, 0}, {0, 1, 0}, albedo),
              RGB{0.5f * 0.5f / kPi, 0.5f * 0.5f / kPi, 0.25f * 0.5f / kPi});
    // A normal tilted by 60 degrees: half.
    const float s = std::sqrt(0.75f);
    expectRGB(shade({0, 0, 0}, {s, 0.5f, 0}, albedo), RGB{0.5f / kPi, 0.5f / kPi, 0.25f / kPi});
    // From behind: nothing.
    expectRGB(shade({0, 0, 0}, {0, -1, 0}, albedo), RGB{0, 0, 0}, 0);
}

TEST_F(LightingTest, LightsAddUpAndNoWorldMeansNoLight) {
    pointLight({0, 1, 0}, 1);
    pointLight({0, 2, 0}, 4);
    expectRGB(shade({0, 0, 0}), RGB{2 / kPi, 2 / kPi, 2 / kPi});

    ShaderGlobals sg = host::blankShaderGlobals();
    expectRGB(host::directLighting(&sg, RGB{1, 1, 1}), RGB{0, 0, 0}, 0);
    host::SampleScope scope(net.thread(0), sg);  // a sample, but outside a render
    expectRGB(host::directLighting(&sg, RGB{1, 1, 1}), RGB{0, 0, 0}, 0);
}

TEST_F(LightingTest, SpotConeIsFullInsideItsPenumbraAndDarkOutside) {
    host::Light& spot = pointLight({0, 5, 0}, 25);
    spot.model = &host::kSpotLight;
    spot.direction = Vector{0, -1, 0};
    spot.coneAngle = 60;  // 30 degrees each side
    spot.penumbraAngle = 10;
    const auto lit = [&](float degrees, float factor) {
        const float a = degrees * kPi / 180;
        const float x = 5 * std::tan(a);
        const float r2 = 25 + x * x;
        const float expected = 25 / r2 * std::cos(a) * factor / kPi;
        const RGB got = shade({x, 0, 0});
        EXPECT_NEAR(got.r, expected, 1e-5f) << degrees;
    };
    lit(0, 1);
    lit(19, 1);
    const double c25 = std::cos(25 * M_PI / 180), c30 = std::cos(30 * M_PI / 180),
                 c20 = std::cos(20 * M_PI / 180);
    const double t = (c25 - c30) / (c20 - c30);
    lit(25, static_cast<float>(t * t * (3 - 2 * t)));
    lit(31, 0);
    lit(60, 0);
}

TEST_F(LightingTest, FiltersRunInOrderOnTheUnfilteredIntensityAtThePoint) {
    net.add("test_scale_filter", "half");
    net.add("test_offset_filter", "plusOne");
    host::Light& light = pointLight({0, 2, 0}, 4, RGB{1, 2, 3});
    light.filters = {net.node("half"), net.node("plusOne")};
    // Unfiltered (1, 2, 3); halved, then one added: (1.5, 2, 2.5).
    ShaderGlobals after;
    expectRGB(shade({0, 0, 0}, {0, 1, 0}, {1, 1, 1}, &after), RGB{1.5f / kPi, 2 / kPi, 2.5f / kPi});
    ASSERT_EQ(seen().size(), 2u);
    EXPECT_EQ(seen()[0].filter, "half");
    expectRGB(seen()[0].light, RGB{1, 2, 3});
    EXPECT_EQ(seen()[0].point.y, 0);
    EXPECT_EQ(seen()[1].filter, "plusOne");
    expectRGB(seen()[1].light, RGB{0.5f, 1, 1.5f});

    // The sample's output slot and light intensity are as they were.
    EXPECT_EQ(after.out.rgba.r, 9);
    EXPECT_EQ(after.out.rgba.a, 6);
    expectRGB(after.lightIntensity, RGB{0.125f, 0.25f, 0.375f}, 0);

    // The other order gives (1, 1.5, 2).
    seen().clear();
    light.filters = {net.node("plusOne"), net.node("half")};
    expectRGB(shade({0, 0, 0}), RGB{1 / kPi, 1.5f / kPi, 2 / kPi});
}

TEST_F(LightingTest, ShadowRayFindsGeometryBetweenPointAndLight) {
    net.add("plane", "floor");
    net.add("plane", "roof");
    net.set("roof.translate", Vector{0, 1, 0}).set("roof.size", 2.0f);
    buildGeometry();
    pointLight({0, 2, 0}, 4);
    const host::ThreadContext& thread = net.thread(0);
    const uint64_t traced = thread.raysTraced, shadows = thread.raysByType[1];
    // Under the roof: shadowed. Beside it: lit, and the floor does not shadow itself.
    expectRGB(shade({0, 0, 0}), RGB{0, 0, 0}, 0);
    expectRGB(shade({0.5f, 0, 0.5f}), RGB{0, 0, 0}, 0);
    const float r2 = 4 + 9;
    const float lit = 4 / r2 * (2 / std::sqrt(r2)) / kPi;
    expectRGB(shade({3, 0, 0}), RGB{lit, lit, lit});
    // On top of the roof, nothing lies between it and the light.
    expectRGB(shade({0, 1, 0}), RGB{4 / kPi, 4 / kPi, 4 / kPi});
    // Each shadow ray is counted as one, of its own type, as the render summary reports them.
    EXPECT_EQ(thread.raysTraced - traced, 4u);
    EXPECT_EQ(thread.raysByType[1] - shadows, 4u);
    // A filter that leaves no light skips the shadow ray and still gives black.
    net.add("test_scale_filter", "none");
    net.set("none.factor", 0.0f);
    world.lights.back().filters = {net.node("none")};
    expectRGB(shade({3, 0, 0}), RGB{0, 0, 0}, 0);
    EXPECT_EQ(thread.raysTraced - traced, 4u);
}

// A light at infinity, as a new kind would be added: one model, no change to the lighting.
bool sampleSun(const host::Light& light, const host::Vec3d&, host::LightSample* out) {
    out->towardLight = host::normalized(host::toVec3d(light.direction)) * -1.0;
    out->distance = std::numeric_limits<double>::infinity();
    out->scale = light.intensity;
    return true;
}
const host::LightModel kSun = {"sun", nullptr, sampleSun, "direction", nullptr, 0};

TEST_F(LightingTest, ALightAtInfinityIsOneModelAndItsShadowRayHasNoEnd) {
    net.add("plane", "floor");
    net.add("plane", "roof");
    net.set("roof.translate", Vector{0, 1000, 0}).set("roof.size", 2.0f);
    buildGeometry();
    host::Light& sun = pointLight({0, 0, 0}, 2);
    sun.model = &kSun;
    sun.direction = Vector{0, -1, 0};
    // No fall-off with distance; a roof far above still shades the point under it.
    expectRGB(shade({5, 0, 0}), RGB{2 / kPi, 2 / kPi, 2 / kPi});
    expectRGB(shade({0, 0, 0}), RGB{0, 0, 0}, 0);
}

TEST_F(LightingTest, CardBlockerOnTheFloorCastsASoftEdgedShadowAlongItsRamp) {
    // A card lying in the floor: fully filtered within |x| <= 1, linear out to |x| = 2. Off the
    // axis the ramp still runs with x: both edges and the point's distance scale alike.
    net.add("plane", "floor");
    buildGeometry();
    net.add("orv_blocker", "card");
    net.set("card.bScale", Vector{2, 1, 2}).set("card.bExtraScale", 2.0f);
    pointLight({0, 4, 0}, 16).filters = {net.node("card")};
    const RGB albedo{0.8f, 0.8f, 0.8f};
    for (int i = 0; i <= 30; ++i) {
        const float x = 0.1f * i;
        const float r2 = 16 + x * x + 0.3f * 0.3f;
        const float unblocked = 0.8f / kPi * (4 / std::sqrt(r2)) * 16 / r2;
        const float ramp = x <= 1 ? 0 : x >= 2 ? 1 : x - 1;
        const RGB got = shade({x, 0, 0.3f}, {0, 1, 0}, albedo);
        EXPECT_NEAR(got.r, unblocked * ramp, 1e-5f) << x;
        EXPECT_NEAR(got.g, got.r, 1e-7f);
    }
    // The shadow's edge along z follows the same ramp.
    const float r2 = 16 + 1.5f * 1.5f;
    EXPECT_NEAR(shade({0, 0, -1.5f}, {0, 1, 0}, albedo).b,
                0.8f / kPi * (4 / std::sqrt(r2)) * 16 / r2 * 0.5f, 1e-5f);
}

}  // namespace
