// orv-shade's engine: each node type of a scene evaluated at known points.
#include <gtest/gtest.h>

#include <cmath>

#include "builtin/host_node_types.h"
#include "render/point_shading.h"
#include "render/world_builder.h"
#include "scene/scene_reader.h"
#include "universe/host_error.h"

namespace {

using nlohmann::json;

const std::string kScene = ORV_SOURCE_DIR "/tests/render/data/shade.json";

std::unique_ptr<host::Scene> readShadeScene() {
    host::SceneReadOptions options;
    options.registerTypes = host::registerHostNodeTypes;
    return host::readSceneFile(kScene, options);
}

class PointShading : public ::testing::Test {
  protected:
    void SetUp() override {
        scene_ = readShadeScene();
        world_ = host::buildWorld(*scene_);
        scene_->universe->prepare();
    }

    /// The record for `nodeName` at one point.
    json shade(const std::string& nodeName, host::ShadingPoint p = {}, int thread = 0) {
        Node* node = scene_->universe->findNode(nodeName);
        EXPECT_NE(node, nullptr) << nodeName;
        const bool filter = host::isLightFilter(*scene_, node);
        if (!p.object) p.object = host::objectShadedBy(*scene_, node);
        return json::parse(host::shadePoints(*world_, node, filter, {p}, thread).dump())[0];
    }

    static host::ShadingPoint at(Vector point, Vector normal = {0, 1, 0},
                                 Vector direction = {0, -1, 0}) {
        host::ShadingPoint p;
        p.point = point;
        p.normal = normal;
        p.rayDirection = direction;
        return p;
    }

    std::unique_ptr<host::Scene> scene_;
    std::unique_ptr<host::RenderWorld> world_;
};

void expectVector(const json& value, float x, float y, float z, float tolerance = 1e-5f) {
    ASSERT_TRUE(value.is_array()) << value;
    ASSERT_GE(value.size(), 3u);
    EXPECT_NEAR(value[0].get<float>(), x, tolerance) << value;
    EXPECT_NEAR(value[1].get<float>(), y, tolerance) << value;
    EXPECT_NEAR(value[2].get<float>(), z, tolerance) << value;
}

TEST_F(PointShading, FlatGivesItsColour) {
    const json record = shade("flat");
    EXPECT_EQ(record["type"], "rgb");
    expectVector(record["output"], 0.1f, 0.2f, 0.3f);
}

TEST_F(PointShading, CheckerAlternatesByCell) {
    expectVector(shade("checker", at({0.5f, 0.5f, 0.5f}))["output"], 1, 0, 0);
    expectVector(shade("checker", at({1.5f, 0.5f, 0.5f}))["output"], 0, 0, 1);
    expectVector(shade("checker", at({-0.5f, 0.5f, 0.5f}))["output"], 0, 0, 1);
    expectVector(shade("checker", at({1.5f, 1.5f, 0.5f}))["output"], 1, 0, 0);
}

TEST_F(PointShading, StateGivesPositionOrNormal) {
    const json position = shade("position", at({1, 2, 3}, {0, 0, 1}));
    EXPECT_EQ(position["type"], "vector");
    expectVector(position["output"], 1, 2, 3);
    expectVector(shade("normal", at({1, 2, 3}, {0, 0, 1}))["output"], 0, 0, 1);
}

TEST_F(PointShading, EnvironmentLooksAlongTheRay) {
    expectVector(shade("sky", at({0, 0, 0}, {0, 1, 0}, {0, 1, 0}))["output"], 0, 0, 1);
    expectVector(shade("sky", at({0, 0, 0}, {0, 1, 0}, {0, -1, 0}))["output"], 1, 0, 0);
    expectVector(shade("sky", at({0, 0, 0}, {0, 1, 0}, {1, 0, 0}))["output"], 0.5f, 0.5f, 0.5f);
    expectVector(shade("grey", at({0, 0, 0}, {0, 1, 0}, {0, 1, 0}))["output"], 0.25f, 0.25f, 0.25f);
}

TEST_F(PointShading, LambertIsLitByThePointLight) {
    // Straight below the lamp at distance 2: albedo / pi x 8 / 4, times the blocker's filter
    // 0.5, since the origin is inside its inner sphere.
    const json record = shade("matte", at({0, 0, 0}));
    const float expected = 8.0f / 4.0f / 3.14159265f * 0.5f;
    expectVector(record["output"], 0.5f * expected, 0.25f * expected, 1.0f * expected, 1e-4f);
    // Far from the blocker, at (3, 0, 0): distance^2 = 13, cosine 2 / sqrt(13).
    const float far = 8.0f / 13.0f * (2.0f / std::sqrt(13.0f)) / 3.14159265f;
    expectVector(shade("matte", at({3, 0, 0}))["output"], 0.5f * far, 0.25f * far, far, 1e-4f);
}

TEST_F(PointShading, LightFilterReportsTheFilteredIntensity) {
    host::ShadingPoint inside = at({0.5f, 0, 0});
    inside.lightIntensity = RGB{2, 4, 8};
    const json record = shade("blocker", inside);
    EXPECT_FALSE(record.contains("output"));
    expectVector(record["lightIntensity"], 2, 4, 8);
    expectVector(record["filteredIntensity"], 1, 2, 4);
    host::ShadingPoint ramp = at({1.5f, 0, 0});
    ramp.lightIntensity = RGB{1, 1, 1};
    expectVector(shade("blocker", ramp)["filteredIntensity"], 0.75f, 0.75f, 0.75f);
    expectVector(shade("blocker", at({3, 0, 0}))["filteredIntensity"], 1, 1, 1);
}

TEST_F(PointShading, StationBroadcastsToItsReceiverOnly) {
    const json inside = shade("station");
    ASSERT_EQ(inside["output"].size(), 3u);
    expectVector(inside["output"], 0.2f, 0.4f, 0.6f);
    // Outside any station the receiver falls back to its own value.
    expectVector(shade("rxColor")["output"], 1, 1, 1);
    EXPECT_FLOAT_EQ(shade("rxScalar")["output"].get<float>(), 0.75f);
    // Every render thread has its own tables.
    expectVector(shade("station", {}, 1)["output"], 0.2f, 0.4f, 0.6f);
}

TEST_F(PointShading, TraceProbeSeesTheSceneGeometry) {
    // Upwards from the origin the ball (radius 1 at y = 5) is hit; from x = 5 nothing is.
    expectVector(shade("probe", at({0, 0, 0}))["output"], 0, 1, 0);
    expectVector(shade("probe", at({5, 0, 0}))["output"], 1, 0, 0);
}

TEST_F(PointShading, TraceEnvironmentComesFromTheObject) {
    // envLookup is in no object's network, so it is given the ball, which carries the
    // "environment" user parameter.
    host::ShadingPoint p = at({0, 0, 0}, {0, 1, 0}, {0, -1, 0});
    p.object = scene_->universe->findNode("ball");
    const json record = shade("envLookup", p);
    EXPECT_EQ(record["object"], "ball");
    // The direction (0, 1, 0) is mirrored about the normal into the ray direction, so sky sees
    // (0, -1, 0): the nadir colour.
    expectVector(record["output"], 1, 0, 0);
}

TEST(PointShadingInput, PointsFileIsCheckedKeyByKey) {
    auto scene = readShadeScene();
    const auto points = host::readShadingPoints(
        json::parse(R"([{"point": [1, 2, 3], "lightIntensity": 2, "object": "ball"}, {}])"), *scene,
        "points.json");
    ASSERT_EQ(points.size(), 2u);
    EXPECT_FLOAT_EQ(points[0].point.z, 3.0f);
    EXPECT_FLOAT_EQ(points[0].lightIntensity.g, 2.0f);
    EXPECT_EQ(points[0].object, scene->universe->findNode("ball"));
    EXPECT_THROW(host::readShadingPoints(json::parse(R"([{"pont": [1, 2, 3]}])"), *scene, "p"),
                 host::HostError);
    EXPECT_THROW(host::readShadingPoints(json::parse(R"([{"object": "matte"}])"), *scene, "p"),
                 host::HostError);
}

TEST(PointShadingInput, AlternateNormalFacesTheIncomingRay) {
    host::ShadingPoint p;
    p.normal = {0, 0, 1};
    p.rayDirection = {0, 0, 1};  // travelling the normal's way: seen from behind
    host::completeShadingPoint(p);
    EXPECT_FLOAT_EQ(p.alternateNormal.z, -1.0f);
    EXPECT_FLOAT_EQ(p.geometricNormal.z, 1.0f);
}

}  // namespace
