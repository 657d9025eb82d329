// The built orv-shade, end to end on the scene of the point-shading tests: flags and a points
// file in, one JSON record per point out.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

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

/// What orv-shade printed, as JSON; fails the test when it did not exit 0 with JSON.
json shade(const std::vector<std::string>& args, const tooltest::ScratchDir& scratch) {
    const tooltest::ToolRun run = tooltest::runTool("orv-shade", args, scratch);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const json records = json::parse(run.output, nullptr, false);
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
}

TEST(OrvShadeTool, FlagsGiveOnePointAndFiltersAreRecognised) {
    const tooltest::ScratchDir scratch;
    const json records = shade({kScene, "--node", "blocker", "-P", "0.5,0,0", "-L", "2"}, scratch);
    ASSERT_EQ(records.size(), 1u);
    expectVector(records[0]["filteredIntensity"], 1, 1, 1);
}

}  // namespace
