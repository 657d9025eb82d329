// Reading scene files: what a good file builds, and how each kind of bad file is reported.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builtin/host_node_types.h"
#include "scene/scene_error.h"
#include "scene/scene_reader.h"

namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;

const std::string kDataDir = ORV_SOURCE_DIR "/tests/scene/data";

/// As the tools read scenes: with the host's own node types.
host::SceneReadOptions hostTypes() {
    host::SceneReadOptions options;
    options.registerTypes = host::registerHostNodeTypes;
    return options;
}

std::unique_ptr<host::Scene> read(const std::string& text) {
    return host::readSceneText(text, "test.json", kDataDir, hostTypes());
}

/// The problems reading `text` reports; fails the test when it reads without any.
std::vector<std::string> problems(const std::string& text) {
    try {
        read(text);
    } catch (const host::SceneError& e) {
        return e.problems;
    }
    ADD_FAILURE() << "the scene was accepted:\n" << text;
    return {};
}

const host::ParamValue& value(const Node* node, const char* param) {
    return node->values[node->type->findParam(param)];
}

TEST(SceneReader, GoodFileBuildsEveryRole) {
    auto scene = read(R"({
      "options": {"xres": 64, "yres": 32, "samples": 3, "threads": 2, "rayDepth": 2,
                  "backgroundColor": 0.25, "background": "sky"},
      "camera": {"position": [0, 1, 6], "lookAt": [0, 0, 0], "fov": 30},
      "objects": [
        {"type": "sphere", "name": "ball", "shader": "surface", "radius": 0.5,
         "translate": [1, 2, 3], "user": {"environment": "sky", "weight": 2, "tag": true}},
        {"type": "plane", "shader": "surface"}
      ],
      "lights": [{"type": "spot", "name": "key", "position": [0, 5, 0], "intensity": 12,
                  "coneAngle": 50, "filters": ["f1", "f2"]}],
      "nodes": [
        {"type": "lambert", "name": "surface", "color": {"link": "chk"}},
        {"type": "checker", "name": "chk", "color1": [1, 0, 0], "frequency": 4},
        {"type": "environment", "name": "sky", "mode": 0},
        {"type": "flat", "name": "f1"},
        {"type": "flat", "name": "f2"}
      ]
    })");
    host::Universe& u = *scene->universe;
    const Node* options = u.options();
    EXPECT_EQ(value(options, "xres").integer, 64);
    EXPECT_EQ(value(options, "threads").integer, 2);
    EXPECT_FLOAT_EQ(value(options, "backgroundColor").rgb.g, 0.25f);
    EXPECT_EQ(value(options, "background").node, u.findNode("sky"));
    EXPECT_FLOAT_EQ(value(scene->camera, "fov").flt, 30.0f);

    ASSERT_EQ(scene->objects.size(), 2u);
    const Node* ball = scene->objects[0];
    EXPECT_EQ(ball->name, "ball");
    EXPECT_EQ(value(ball, "shader").node, u.findNode("surface"));
    EXPECT_FLOAT_EQ(value(ball, "radius").flt, 0.5f);
    EXPECT_FLOAT_EQ(value(ball, "translate").vec.z, 3.0f);
    ASSERT_NE(ball->findUserParam("environment"), nullptr);
    EXPECT_EQ(ball->findUserParam("environment")->value.node, u.findNode("sky"));
    EXPECT_EQ(ball->findUserParam("weight")->value.type, kTypeInt);
    EXPECT_EQ(ball->findUserParam("tag")->value.type, kTypeBoolean);
    EXPECT_EQ(scene->objects[1]->type->name, "plane");

    ASSERT_EQ(scene->lights.size(), 1u);
    EXPECT_EQ(scene->lights[0].node->type->name, "spot_light");
    EXPECT_FLOAT_EQ(value(scene->lights[0].node, "coneAngle").flt, 50.0f);
    ASSERT_EQ(scene->lights[0].filters.size(), 2u);
    EXPECT_EQ(scene->lights[0].filters[0]->name, "f1");
    EXPECT_EQ(scene->lights[0].filters[1]->name, "f2");

    const Node* surface = u.findNode("surface");
    EXPECT_EQ(surface->links[surface->type->findParam("color")], u.findNode("chk"));
    EXPECT_FLOAT_EQ(value(u.findNode("chk"), "color1").rgb.r, 1.0f);
}

TEST(SceneReader, EmptyFileGivesDefaultCameraAndOptions) {
    auto scene = read("{}");
    ASSERT_NE(scene->camera, nullptr);
    EXPECT_EQ(scene->camera->type->name, "perspective_camera");
    EXPECT_TRUE(scene->objects.empty());
    EXPECT_EQ(value(scene->universe->options(), "xres").integer, 320);
}

TEST(SceneReader, LiteralsWidenToTheParameterType) {
    auto scene = read(R"({"nodes": [
        {"type": "orv_radio_color", "name": "c", "color": [0.5, 0.25, 0.125], "frequency": 3.0},
        {"type": "orv_radio_scalar", "name": "s", "scalar": 2},
        {"type": "orv_radio_vector", "name": "v", "vector": 7}]})");
    const host::Universe& u = *scene->universe;
    const RGBA c = value(u.findNode("c"), "color").rgba;
    EXPECT_FLOAT_EQ(c.b, 0.125f);
    EXPECT_FLOAT_EQ(c.a, 1.0f);  // [r, g, b] on an rgba parameter
    EXPECT_EQ(value(u.findNode("c"), "frequency").integer, 3);
    EXPECT_FLOAT_EQ(value(u.findNode("s"), "scalar").flt, 2.0f);
    EXPECT_FLOAT_EQ(value(u.findNode("v"), "vector").vec.y, 7.0f);
}

TEST(SceneReader, FileParametersAreFoundBesideTheSceneFile) {
    auto scene = host::readSceneFile(kDataDir + "/good.json", hostTypes());
    const char* file = value(scene->universe->findNode("tri"), "file").str;
    EXPECT_EQ(std::string(file), kDataDir + "/triangle.obj");
    EXPECT_EQ(scene->path, kDataDir + "/good.json");
}

TEST(SceneReader, GeneratedNamesNeverTakeANameTheFileUses) {
    auto scene = read(R"({"objects": [{"type": "sphere"}, {"type": "sphere", "name": "sphere"}]})");
    EXPECT_EQ(scene->objects[0]->name, "sphere1");
    EXPECT_EQ(scene->objects[1]->name, "sphere");
}

TEST(SceneReader, MalformedJsonNamesLineAndColumn) {
    const auto found = problems("{\n  \"nodes\": [\n    {\"type\": \"flat\",}\n  ]\n}");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_THAT(found[0], AllOf(HasSubstr("test.json:3:21:"), HasSubstr("malformed JSON")));
}

TEST(SceneReader, UnknownTypeIsNamedWithASuggestion) {
    EXPECT_THAT(problems(R"({"nodes": [{"type": "orv_radio_colour", "name": "rc"}]})"),
                Contains(AllOf(HasSubstr("test.json"), HasSubstr("unknown type 'orv_radio_colour'"),
                               HasSubstr("did you mean 'orv_radio_color'"))));
    EXPECT_THAT(problems(R"({"objects": [{"type": "lambert"}]})"),
                Contains(AllOf(HasSubstr("objects[0]"), HasSubstr("not an object type"))));
}

TEST(SceneReader, UnknownParameterIsRejectedNotIgnored) {
    EXPECT_THAT(problems(R"({"nodes": [{"type": "flat", "name": "f", "colour": [1, 0, 0]}]})"),
                Contains(AllOf(HasSubstr("test.json: node 'f' (flat)"),
                               HasSubstr("unknown parameter 'colour'"),
                               HasSubstr("did you mean 'color'"))));
    EXPECT_THAT(problems(R"({"options": {"spp": 4}})"),
                Contains(AllOf(HasSubstr("options"), HasSubstr("unknown parameter 'spp'"))));
    EXPECT_THAT(problems(R"({"scene": {}})"), Contains(HasSubstr("unknown section 'scene'")));
}

TEST(SceneReader, WrongTypeSaysWhatWasExpected) {
    const auto found = problems(R"({"nodes": [
        {"type": "orv_radio_integer", "name": "i", "frequency": 1.5},
        {"type": "orv_radio_boolean", "name": "b", "boolean": 1},
        {"type": "flat", "name": "f", "color": [1, 0]}]})");
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("node 'i' (orv_radio_integer)"),
                                      HasSubstr("parameter 'frequency'"),
                                      HasSubstr("expected a whole number"), HasSubstr("1.5"))));
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("parameter 'boolean'"),
                                      HasSubstr("expected true or false"))));
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("node 'f' (flat): parameter 'color'"),
                                      HasSubstr("[r, g, b]"), HasSubstr("[1,0]"))));
}

TEST(SceneReader, DanglingLinksAndReferencesAreNamed) {
    const auto found = problems(R"({
      "objects": [{"type": "sphere", "name": "s", "shader": "nowhere"}],
      "lights": [{"type": "point", "name": "l", "filters": ["ghost"]}],
      "nodes": [{"type": "lambert", "name": "m", "color": {"link": "chekcer"}},
                {"type": "checker", "name": "checker"}]})");
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("node 'm' (lambert): parameter 'color'"),
                                      HasSubstr("links to 'chekcer'"),
                                      HasSubstr("did you mean 'checker'"))));
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("object 's' (sphere): parameter 'shader'"),
                                      HasSubstr("'nowhere'"))));
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("light 'l' (point_light)"), HasSubstr("'ghost'"))));
}

TEST(SceneReader, CyclicLinksAreRejected) {
    EXPECT_THAT(problems(R"({"nodes": [
        {"type": "flat", "name": "a", "color": {"link": "b"}},
        {"type": "lambert", "name": "b", "color": {"link": "a"}}]})"),
                Contains(AllOf(HasSubstr("test.json"), HasSubstr("parameter 'color'"),
                               HasSubstr("cycle"))));
    EXPECT_THAT(problems(R"({"nodes": [{"type": "flat", "name": "a", "color": {"link": "a"}}]})"),
                Contains(HasSubstr("cycle")));
}

TEST(SceneReader, LinkTypesAreChecked) {
    // A vector output does not feed a colour.
    EXPECT_THAT(problems(R"({"nodes": [{"type": "state", "name": "p"},
        {"type": "flat", "name": "f", "color": {"link": "p"}}]})"),
                Contains(AllOf(HasSubstr("parameter 'color'"), HasSubstr("vector"))));
}

TEST(SceneReader, LinksAreOnlyForShaderNodes) {
    EXPECT_THAT(problems(R"({"nodes": [{"type": "flat", "name": "f"}],
        "objects": [{"type": "sphere", "name": "s", "radius": {"link": "f"}}]})"),
                Contains(AllOf(HasSubstr("object 's' (sphere): parameter 'radius'"),
                               HasSubstr("not a link"))));
}

TEST(SceneReader, MissingFilesAreNamed) {
    EXPECT_THAT(problems(R"({"objects": [{"type": "mesh", "name": "m", "file": "gone.obj"}]})"),
                Contains(AllOf(HasSubstr("object 'm' (mesh): parameter 'file'"),
                               HasSubstr("no such file 'gone.obj'"))));
    EXPECT_THAT(problems(R"({"plugins": ["nothing.so"]})"),
                Contains(AllOf(HasSubstr("plugins"), HasSubstr("nothing.so"))));
    try {
        host::readSceneFile(kDataDir + "/absent.json");
        FAIL() << "a missing scene file was read";
    } catch (const host::SceneError& e) {
        EXPECT_THAT(e.what(), AllOf(HasSubstr("absent.json"), HasSubstr("no such file")));
    }
}

TEST(SceneReader, NamesAreSharedAcrossSections) {
    EXPECT_THAT(problems(R"({"nodes": [{"type": "flat", "name": "x"}],
        "objects": [{"type": "sphere", "name": "x"}]})"),
                Contains(AllOf(HasSubstr("'x'"), HasSubstr("already taken"))));
    EXPECT_THAT(problems(R"({"nodes": [{"type": "flat"}]})"),
                Contains(HasSubstr("needs a \"name\"")));
}

TEST(SceneReader, OutOfRangeOptionsCameraAndLights) {
    const auto found = problems(R"({
      "options": {"xres": 0, "samples": 0, "rayDepth": -1},
      "camera": {"position": [1, 2, 3], "lookAt": [1, 2, 3]},
      "lights": [{"type": "spot", "name": "s", "direction": [0, 0, 0], "coneAngle": 0}]})");
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("options: parameter 'xres'"), HasSubstr("is 0"))));
    EXPECT_THAT(found, Contains(HasSubstr("options: parameter 'samples'")));
    EXPECT_THAT(found, Contains(HasSubstr("options: parameter 'rayDepth'")));
    EXPECT_THAT(found, Contains(HasSubstr("camera: parameter 'lookAt'")));
    EXPECT_THAT(found, Contains(HasSubstr("light 's' (spot_light): parameter 'direction'")));
    EXPECT_THAT(found, Contains(HasSubstr("light 's' (spot_light): parameter 'coneAngle'")));
    EXPECT_THAT(problems(R"({"camera": {"up": [0, 0, -1]}})"),
                Contains(HasSubstr("camera: parameter 'up'")));
}

TEST(SceneReader, EveryProblemIsReportedAtOnce) {
    const auto found = problems(R"({"nodes": [
        {"type": "flat", "name": "a", "colour": 1},
        {"type": "flat", "name": "b", "color": "red"},
        {"type": "nope", "name": "c"}]})");
    EXPECT_EQ(found.size(), 3u);
    for (const std::string& line : found) EXPECT_THAT(line, HasSubstr("test.json: "));
}

TEST(SceneReader, StructuralMistakesAreReported) {
    EXPECT_THAT(problems("[1, 2]"), Contains(HasSubstr("a scene is a JSON object")));
    EXPECT_THAT(problems(R"({"nodes": {"type": "flat"}})"),
                Contains(AllOf(HasSubstr("nodes"), HasSubstr("expected an array"))));
    EXPECT_THAT(problems(R"({"nodes": [{"type": "flat", "name": "f", "color": {"lnk": "g"}}]})"),
                Contains(HasSubstr("parameter 'color'")));
    EXPECT_THAT(problems(R"({"objects": [{"type": "sphere", "user": {"environment": [1]}}]})"),
                Contains(HasSubstr("user parameter 'environment'")));
}

}  // namespace
