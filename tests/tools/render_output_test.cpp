// orv-render's exit status and where it writes without -o: done is 0 with the image named
// after the scene in the current folder (not beside the scene), an error is 1 with nothing
// written. A stopped render's 130 is in interrupt_test.cpp, which can send the signal.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tool_run.h"

namespace {

using tooltest::runTool;
using tooltest::ScratchDir;

struct OutputCase {
    std::string name;
    std::vector<std::string> args;
    int exitCode;
    std::string image;  ///< the file that must appear in the current folder, or none
    std::string magic;  ///< its first bytes
};

void PrintTo(const OutputCase& row, std::ostream* os) {
    *os << row.name;
}

class RenderOutput : public ::testing::TestWithParam<OutputCase> {};

TEST_P(RenderOutput, ExitStatusAndImageAsTheTableSays) {
    const OutputCase& row = GetParam();
    ScratchDir scratch;
    scratch.write("little.json", R"({"options": {"backgroundColor": [0.2, 0.3, 0.4]}})");
    scratch.write("scenes/other.json", "{}");
    scratch.write("broken.json", R"({"options": {"xres": "wide"}})");
    std::set<std::string> expected = scratch.listing();
    if (!row.image.empty()) expected.insert(row.image);

    const tooltest::ToolRun run = runTool("orv-render", row.args, scratch);
    ASSERT_EQ(run.signal, 0) << run.output;
    EXPECT_EQ(run.exitCode, row.exitCode) << run.output;
    EXPECT_EQ(scratch.listing(), expected) << run.output;
    if (row.image.empty()) return;
    std::ifstream in(scratch.work() / row.image, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.substr(0, row.magic.size()), row.magic);
}

const std::string kPng = "\x89PNG";
const std::string kExr = "\x76\x2f\x31\x01";

INSTANTIATE_TEST_SUITE_P(
    Rows, RenderOutput,
    ::testing::Values(
        OutputCase{
            "NamedAfterTheScene", {"little.json", "-q", "--res", "8x6"}, 0, "little.png", kPng},
        OutputCase{"CropIsAnExr",
                   {"little.json", "-q", "--res", "8x6", "--crop", "0,0,4,3"},
                   0,
                   "little.exr",
                   kExr},
        OutputCase{"InTheCurrentFolderNotBesideTheScene",
                   {"scenes/other.json", "-q", "--res", "8x6"},
                   0,
                   "other.png",
                   kPng},
        OutputCase{"GivenOutputIsUsed",
                   {"little.json", "-q", "--res", "8x6", "-o", "picked.exr"},
                   0,
                   "picked.exr",
                   kExr},
        OutputCase{"SceneProblemIsAnError", {"broken.json", "-q"}, 1, "", ""},
        OutputCase{"MissingSceneIsAnError", {"absent.json", "-q"}, 1, "", ""}),
    [](const auto& row) { return row.param.name; });

}  // namespace
