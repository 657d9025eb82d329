// Reading scene files: what a good file builds, and how each kind of bad file is reported.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "builtin/host_node_types.h"
#include "scene/scene_error.h"
#include "scene/scene_reader.h"
#include "support/scratch_dir.h"
#include "universe/diagnostics.h"
#include "universe/text_file.h"

namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

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

/// The warnings reading `text` gives, as the tools print them; fails the test when it is
/// refused.
std::vector<std::string> warnings(const std::string& text) {
    host::diagnostics().clear();
    std::unique_ptr<host::Scene> scene;
    EXPECT_NO_THROW(scene = read(text));
    std::vector<std::string> given;
    for (const host::Diagnostic& entry : host::diagnostics().snapshot())
        given.push_back(host::diagnosticText(entry));
    return given;
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

TEST(SceneReader, JsonMistakesAreLocatedWithTheirKey) {
    EXPECT_THAT(problems("{\"objects\": [{\"type\": \"sphere\",\n \"radius\": -1e999}]}"),
                Contains(AllOf(HasSubstr("test.json:2:12:"), HasSubstr("objects[0].radius"),
                               HasSubstr("out of range"))));
    EXPECT_THAT(problems("{\"options\": {\"xres\": 32,\n  \"x\\u0072es\": 50}}"),
                Contains(AllOf(HasSubstr("test.json:2:3:"), HasSubstr("'xres'"),
                               HasSubstr("first at 1:14"))));
    // The limit, exactly: 256 levels read, 257 refused at the bracket that opens the 257th.
    const auto depth = [](size_t levels) {
        return "{\"nodes\": " + std::string(levels - 1, '[') + std::string(levels - 1, ']') + "}";
    };
    EXPECT_THAT(problems(depth(256)), Contains(HasSubstr("expected a node object")));
    EXPECT_THAT(problems(depth(257)),
                Contains(AllOf(HasSubstr("test.json:1:266:"), HasSubstr("deeper than 256"))));
}

TEST(SceneReader, NumbersMustBeFiniteInTheirOwnType) {
    const auto found = problems(R"({
      "camera": {"position": [1e39, 0, 0]},
      "lights": [{"type": "point", "name": "key", "color": [1, -3.5e38, 1]}],
      "objects": [{"type": "sphere", "name": "s", "user": {"weight": 1e39, "at": [0, 1e300, 0]}}]
    })");
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("camera: parameter 'position'"),
                                      HasSubstr("32-bit float"))));
    EXPECT_THAT(found, Not(Contains(HasSubstr("'up'"))));
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("light 'key'"), HasSubstr("'color'"))));
    EXPECT_THAT(found, Contains(HasSubstr("user parameter 'weight'")));
    EXPECT_THAT(found, Contains(HasSubstr("user parameter 'at'")));
    // Finite floats far apart: their difference and its square are worked out in double.
    EXPECT_NO_THROW(read(R"({"camera": {"position": [3e38, 0, 0], "lookAt": [-3e38, 0, 0]}})"));
}

TEST(SceneReader, SizesThatCannotBeMeantAreRefusedOddOnesWarnedOnce) {
    const auto found = problems(R"({"objects": [
        {"type": "sphere", "name": "a", "radius": -0},
        {"type": "sphere", "name": "b", "radius": -0.0},
        {"type": "plane", "name": "c", "size": -2}]})");
    EXPECT_THAT(found, Contains(AllOf(HasSubstr("object 'a' (sphere): parameter 'radius'"),
                                      HasSubstr("-0"))));
    EXPECT_THAT(found, Contains(HasSubstr("object 'b' (sphere): parameter 'radius'")));
    EXPECT_THAT(found, Contains(HasSubstr("object 'c' (plane): parameter 'size'")));

    const auto given = warnings(R"({"objects": [
        {"type": "sphere", "name": "a", "radius": 0},
        {"type": "box", "name": "b", "scale": [2, 0, 2]},
        {"type": "box", "name": "c", "scale": [0, 1, 1]},
        {"type": "box", "name": "d", "scale": [-1, 1, 1]}],
      "nodes": [{"type": "flat", "name": "f", "color": [0.5, -0.1, 0]}]})");
    EXPECT_THAT(given, UnorderedElementsAre(AllOf(HasSubstr("object 'a'"), HasSubstr("'radius'")),
                                            AllOf(HasSubstr("object 'b'"), HasSubstr("'scale'"),
                                                  HasSubstr("1 more")),
                                            AllOf(HasSubstr("node 'f'"), HasSubstr("'color'"))));
}

TEST(SceneReader, OneEnvironmentLookupOnObjectsOfOtherEnvironmentsIsWarnedOf) {
    const auto given = warnings(R"({"objects": [
        {"type": "sphere", "name": "a", "shader": "look", "user": {"environment": "red"}},
        {"type": "sphere", "name": "b", "shader": "wrap", "user": {"environment": "blue"}},
        {"type": "sphere", "name": "c", "shader": "look"},
        {"type": "sphere", "name": "d", "shader": "agreed", "user": {"environment": "red"}},
        {"type": "sphere", "name": "e", "shader": "agreed", "user": {"environment": "red"}}],
      "nodes": [{"type": "environment", "name": "red"}, {"type": "environment", "name": "blue"},
                {"type": "orv_trace", "name": "look", "rayType": 3},
                {"type": "lambert", "name": "wrap", "color": {"link": "look"}},
                {"type": "orv_trace", "name": "agreed", "rayType": 3}]})");
    // 'look' is reached on b through a link and on c with no environment at all.
    EXPECT_THAT(given, ElementsAre(AllOf(HasSubstr("node 'look' (orv_trace): parameter 'rayType'"),
                                         HasSubstr("'a' ('red')"), HasSubstr("'b' ('blue')"),
                                         HasSubstr("'c' (none)"))));
}

TEST(SceneReader, CyclesAreFoundOnceEveryLinkIsMade) {
    // A long chain closed at its far end, written backwards so that each link's source is
    // already fed by all of the chain: the link that closes it is the one named.
    std::string nodes = R"({"type": "lambert", "name": "n0", "color": {"link": "n1"}})";
    for (int i = 1; i < 2000; ++i)
        nodes += ",\n{\"type\": \"lambert\", \"name\": \"n" + std::to_string(i) +
                 "\", \"color\": {\"link\": \"n" + std::to_string(i == 1999 ? 0 : i + 1) + "\"}}";
    const auto found = problems("{\"nodes\": [" + nodes + "]}");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_THAT(found[0], AllOf(HasSubstr("node 'n1999' (lambert): parameter 'color'"),
                                HasSubstr("links to 'n0'"), HasSubstr("cycle")));

    // A diamond shares nodes without closing a cycle; 64 levels are 2^64 paths.
    std::string diamond = R"({"type": "flat", "name": "c0"})";
    for (int i = 1; i <= 64; ++i) {
        const std::string below = "{\"link\": \"c" + std::to_string(i - 1) + "\"}";
        diamond += ",\n{\"type\": \"checker\", \"name\": \"c" + std::to_string(i) +
                   "\", \"color1\": " + below + ", \"color2\": " + below + "}";
    }
    const auto scene = read("{\"nodes\": [" + diamond + "]}");
    const Node* top = scene->universe->findNode("c64");
    EXPECT_EQ(top->links[top->type->findParam("color2")], scene->universe->findNode("c63"));
}

TEST(SceneReader, AnEnvironmentThatLooksItselfUpIsACycle) {
    const std::string nodes = R"(
        {"type": "orv_trace", "name": "probe", "rayType": 0},
        {"type": "orv_trace", "name": "lookup", "rayType": 3},
        {"type": "orv_radio_integer", "name": "three", "integer": 3},
        {"type": "orv_trace", "name": "chosen", "rayType": {"link": "three"}},
        {"type": "lambert", "name": "mix", "color": {"link": "lookup"}},
        {"type": "environment", "name": "sky"})";
    const auto scene = [&](const std::string& environment) {
        return R"({"nodes": [)" + nodes + R"(], "objects": [{"type": "sphere", "name": "ball",
            "shader": "lookup", "user": {"environment": ")" +
               environment + R"("}}]})";
    };
    EXPECT_THAT(problems(scene("mix")),
                Contains(AllOf(HasSubstr("object 'ball' (sphere): user parameter 'environment'"),
                               HasSubstr("'mix'"), HasSubstr("node 'lookup' (orv_trace)"),
                               HasSubstr("cycle"))));
    EXPECT_THAT(problems(scene("lookup")), Contains(HasSubstr("node 'lookup'")));
    // The object's shader may look the environment up; the environment itself may trace.
    EXPECT_NO_THROW(read(scene("sky")));
    EXPECT_NO_THROW(read(scene("probe")));
    // A mode chosen per sample is not a literal 3: the check cannot see it and says nothing.
    EXPECT_NO_THROW(read(scene("chosen")));
}

TEST(SceneReader, FoldersGivenAsFilesAreNamedAsFolders) {
    EXPECT_THAT(problems(R"({"objects": [{"type": "mesh", "name": "m", "file": "."}]})"),
                Contains(AllOf(HasSubstr("object 'm' (mesh): parameter 'file'"),
                               HasSubstr("is a folder"))));
    try {
        host::readSceneFile(kDataDir);
        FAIL() << "a folder was read as a scene";
    } catch (const host::SceneError& e) {
        EXPECT_THAT(e.what(), AllOf(HasSubstr("is a folder"), Not(HasSubstr("malformed"))));
    }
}

// A file larger than the bound is refused unread, rather than read until memory runs out; a
// device that never ends is not a regular file and is refused before any of it is read.
TEST(SceneReader, AFileLargerThanTheBoundOrNotRegularIsRefusedUnread) {
    const test::ScratchDir scratch;
    const std::string big = scratch.write("big.json", "");
    std::filesystem::resize_file(big, (size_t{1} << 20) + 1);
    for (const auto& [path, reason] : {std::pair{big, "larger than 1 MiB"},
                                       std::pair{std::string("/dev/zero"), "not a regular"}})
        try {
            host::readTextFile(path, size_t{1} << 20);
            FAIL() << path << " was read";
        } catch (const host::HostError& e) {
            EXPECT_THAT(e.what(), AllOf(HasSubstr(path), HasSubstr(reason)));
        }
}

TEST(SceneReader, GeneratedNamesSkipEveryNameTaken) {
    auto scene = read(R"({"objects": [{"type": "sphere"}, {"type": "sphere", "name": "sphere1"},
        {"type": "sphere"}, {"type": "sphere", "name": "sphere3"}, {"type": "sphere"}]})");
    std::vector<std::string> names;
    for (const Node* object : scene->objects) names.push_back(object->name);
    EXPECT_THAT(names, ElementsAre("sphere", "sphere1", "sphere2", "sphere3", "sphere4"));
}

}  // namespace
