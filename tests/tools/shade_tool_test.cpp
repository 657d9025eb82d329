// The built orv-shade, end to end on the scene of the point-shading tests: flags and a points
// file in, one JSON record per point out.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "render/image_compare.h"
#include "tool_run.h"

namespace {

using nlohmann::json;

const std::string kScene = ORV_SOURCE_DIR "/tests/render/data/shade.json";

void expectVector(const json& value, float x, float y, float z) {
    ASSERT_TRUE(value.is_array()) << value;
    ASSERT_GE(value.size(), 3u);
    EXPECT_NEAR(value[0].get<float>(), x, 1e-5f) << value;
    EXPECT_NEAR(value[1].get<float>(), y, 1e-5f) << value;
    EXPECT_NEAR(value[2].get<float>(), z, 1e-5f) << value;
}

/// What orv-shade printed, as JSON, after any warnings; fails the test when it did not exit 0
/// with JSON.
json shade(const std::vector<std::string>& args, const tooltest::ScratchDir& scratch) {
    const tooltest::ToolRun run = tooltest::runTool("orv-shade", args, scratch);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const size_t start = run.output.rfind("\n[\n");
    const json records = json::parse(
        start == std::string::npos ? run.output : run.output.substr(start + 1), nullptr, false);
    EXPECT_FALSE(records.is_discarded()) << run.output;
    return records;
}

TEST(OrvShadeTool, PrintsOneRecordPerPoint) {
    const tooltest::ScratchDir scratch;
    scratch.write("points.json", R"([{"point": [0.5, 0.5, 0.5]}, {"point": [1.5, 0.5, 0.5]}])");
    const json records = shade({kScene, "--node", "checker", "--points", "points.json"}, scratch);
    ASSERT_EQ(records.size(), 2u);
    expectVector(records[0]["output"], 1, 0, 0);
    expectVector(records[1]["output"], 0, 0, 1);
    EXPECT_EQ(records[1]["node"], "checker");
    EXPECT_FALSE(records[0].contains("warnings"));  // only a point that raised some has them
}

TEST(OrvShadeTool, FlagsGiveOnePointAndFiltersAreRecognised) {
    const tooltest::ScratchDir scratch;
    const json records = shade({kScene, "--node", "blocker", "-P", "0.5,0,0", "-L", "2"}, scratch);
    ASSERT_EQ(records.size(), 1u);
    expectVector(records[0]["filteredIntensity"], 1, 1, 1);
}

TEST(OrvShadeTool, PointsInAnyOrderGiveTheRendersValues) {
    // Each node reads its settings once per update: the host sets it up from the scene before
    // the first point, so the first point given does not choose them.
    struct Case {
        const char* scene;
        const char* node;
        const char* right;  ///< the object on the right of the frame
        const char* left;
    };
    const Case cases[] = {{"setup_environment", "look", "right", "left"},
                          {"setup_station", "inner", "bare", "enclosed"},
                          {"setup_blocker", "shade", "ball", "floor"}};
    const tooltest::ScratchDir scratch;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene);
        const std::string scene =
            ORV_SOURCE_DIR "/tests/render/data/" + std::string(c.scene) + ".json";
        const std::string right = R"({"point": [1.2, 0, 1], "rayDirection": [0, 0, -1], )"
                                  R"("lightIntensity": 2, "object": ")" +
                                  std::string(c.right) + "\"}";
        const std::string left = R"({"point": [-1.2, 0, 1], "rayDirection": [0, 0, -1], )"
                                 R"("lightIntensity": 2, "object": ")" +
                                 std::string(c.left) + "\"}";
        scratch.write("rightFirst.json", "[" + right + ", " + left + "]");
        scratch.write("leftFirst.json", "[" + left + ", " + right + "]");
        const json a = shade({scene, "--node", c.node, "--points", "rightFirst.json"}, scratch);
        const json b = shade({scene, "--node", c.node, "--points", "leftFirst.json"}, scratch);
        ASSERT_EQ(a.size(), 2u);
        ASSERT_EQ(b.size(), 2u);
        const char* value = a[0].contains("output") ? "output" : "filteredIntensity";
        EXPECT_EQ(a[0][value], b[1][value]);
        EXPECT_EQ(a[1][value], b[0][value]);
        if (std::string(value) != "output") continue;

        // The pixel at the right sphere's centre is the node's output there.
        const tooltest::ToolRun render = tooltest::runTool(
            "orv-render", {scene, "-q", "--res", "24x18", "-o", "frame.exr"}, scratch);
        ASSERT_EQ(render.exitCode, 0) << render.output;
        const host::ImageBuffer image = host::readImage((scratch.work() / "frame.exr").string());
        const RGBA pixel = image.at(19, 9);
        EXPECT_FLOAT_EQ(pixel.r, a[0][value][0].get<float>());
        EXPECT_FLOAT_EQ(pixel.g, a[0][value][1].get<float>());
        EXPECT_FLOAT_EQ(pixel.b, a[0][value][2].get<float>());
    }
}

TEST(OrvShadeTool, SettingUpSaysNothingOfItsOwnAndEachPointCarriesItsWarnings) {
    // A chain too deep for one sample: shading its end refuses one node, and only that is told,
    // though setting up each node of the chain from itself would refuse others.
    std::string nodes = R"({"type": "lambert", "name": "n0", "color": 0.5})";
    for (int i = 1; i < 100; ++i)
        nodes += ",\n{\"type\": \"lambert\", \"name\": \"n" + std::to_string(i) +
                 "\", \"color\": {\"link\": \"n" + std::to_string(i - 1) + "\"}}";
    const tooltest::ScratchDir scratch;
    scratch.write("chain.json",
                  R"({"objects": [{"type": "sphere", "shader": "n0"}], "nodes": [)" + nodes + "]}");
    scratch.write("points.json", R"([{"point": [0, 0, 0]}, {"point": [1, 0, 0]}])");
    const tooltest::ToolRun run = tooltest::runTool(
        "orv-shade", {"chain.json", "-n", "n99", "--points", "points.json"}, scratch);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    // Told once on stderr; carried by every point that raised it.
    size_t told = 0;
    for (size_t at = run.output.find("warning: node"); at != std::string::npos;
         at = run.output.find("warning: node", at + 1))
        ++told;
    EXPECT_EQ(told, 1u) << run.output;
    const json records = json::parse(run.output.substr(run.output.rfind("\n[\n") + 1));
    ASSERT_EQ(records.size(), 2u);
    for (const json& record : records) {
        ASSERT_EQ(record["warnings"].size(), 1u) << record;
        EXPECT_EQ(record["warnings"][0]["severity"], "warning");
        EXPECT_EQ(record["warnings"][0]["node"], "n35");
        EXPECT_NE(record["warnings"][0]["message"].get<std::string>().find("nest more"),
                  std::string::npos);
    }
}

}  // namespace
