// The tools end to end, as a user runs them: farm tiles joined with oiiotool, --explain and
// --grid of orv-shade.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "render/image_compare.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kBin = ORV_BINARY_DIR "/bin/";
const std::string kDemo = ORV_SOURCE_DIR "/scenes/demo.json";

struct ToolRun {
    int status;
    std::string output;  ///< stdout, then stderr when asked for with 2>&1
};

ToolRun run(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {-1, ""};
    std::string out;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof(buffer), pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class ToolsTest : public ::testing::Test {
  protected:
    std::string file(const std::string& name) const { return scratch_.path(name).string(); }
    test::ScratchDir scratch_;
};

/// The first event in `tree` (depth first) for which `match` holds, or null.
const json* findEvent(const json& tree, const std::function<bool(const json&)>& match) {
    if (match(tree)) return &tree;
    if (tree.contains("calls"))
        for (const json& call : tree["calls"])
            if (const json* found = findEvent(call, match)) return found;
    return nullptr;
}

TEST_F(ToolsTest, FourCropsJoinedWithOiiotoolEqualTheWholeFrame) {
    // An odd frame split off the 16-pixel buckets, so tiles cut through buckets; every channel.
    const std::string render = kBin + "orv-render " + kDemo + " -q --res 37x29 --spp 2 --aov all ";
    ASSERT_EQ(run(render + "-o " + file("full.exr")).status, 0);
    const char* crops[] = {"0,0,20,13", "20,0,37,13", "0,13,20,29", "20,13,37,29"};
    std::string join = "oiiotool";
    for (int i = 0; i < 4; ++i) {
        const std::string tile = file("tile" + std::to_string(i) + ".exr");
        const ToolRun tiled = run(render + "--threads " + std::to_string(1 + i) + " --crop " +
                                  crops[i] + " -o " + tile + " 2>&1");
        ASSERT_EQ(tiled.status, 0) << tiled.output;
        join += " " + tile + (i > 0 ? " --add" : "");
    }
    const ToolRun joined = run(join + " -o " + file("joined.exr") + " 2>&1");
    ASSERT_EQ(joined.status, 0) << joined.output;

    const host::ImageChannels full = host::readChannels(file("full.exr"));
    const host::ImageChannels tiles = host::readChannels(file("joined.exr"));
    ASSERT_EQ(tiles.width, 37);
    ASSERT_EQ(tiles.height, 29);
    ASSERT_EQ(tiles.names, full.names);
    EXPECT_GT(full.names.size(), 20u);  // the beauty, two lights' groups, the rest
    for (size_t i = 0; i < full.values.size(); ++i)
        ASSERT_EQ(full.values[i], tiles.values[i])
            << full.names[i % full.names.size()] << " of pixel " << i / full.names.size();

    // A tile is its window of the frame, and says how it was made.
    const std::string info = run("oiiotool --info -v " + file("tile3.exr")).output;
    EXPECT_NE(info.find("pixel data origin: x=20, y=13"), std::string::npos) << info;
    EXPECT_NE(info.find("full/display size: 37 x 29"), std::string::npos) << info;
    EXPECT_NE(info.find("orv:samples: 2"), std::string::npos) << info;
    EXPECT_NE(info.find("orv:threads: 4"), std::string::npos) << info;
    EXPECT_NE(info.find("orv:plugins: \"orv_shaders.so 4.1.1.0\""), std::string::npos) << info;
}

TEST_F(ToolsTest, CropOutsideTheFrameIsRefusedBeforeRendering) {
    const ToolRun refused =
        run(kBin + "orv-render " + kDemo + " -q --res 37x29 --crop 20,13,38,29 -o " +
            file("tile.exr") + " 2>&1");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("outside the 37x29 frame"), std::string::npos) << refused.output;
    EXPECT_FALSE(fs::exists(file("tile.exr")));
}

TEST_F(ToolsTest, ExplainShowsWhatAReceiverHeardAndWhatRaysFound) {
    const ToolRun radio =
        run(kBin + "orv-shade " + kDemo + " --node radioSurface -P 0,1,0 --explain");
    ASSERT_EQ(radio.status, 0) << radio.output;
    const json tree = json::parse(radio.output)[0]["explain"];
    EXPECT_EQ(tree["node"], "radioSurface");
    // The receiver is evaluated inside the inner station's input and heard its channel.
    const json* inner =
        findEvent(tree, [](const json& e) { return e.value("node", "") == "innerStation"; });
    ASSERT_NE(inner, nullptr);
    const json* teal =
        findEvent(*inner, [](const json& e) { return e.value("node", "") == "rxTeal"; });
    ASSERT_NE(teal, nullptr) << inner->dump();
    ASSERT_TRUE(teal->contains("calls")) << teal->dump();
    const json& lookup = (*teal)["calls"][0];
    EXPECT_EQ(lookup["kind"], "lookup");
    EXPECT_TRUE(lookup["found"].get<bool>()) << lookup.dump();
    EXPECT_EQ(lookup["message"].get<std::string>().substr(0, 2), "CF");

    const ToolRun probe =
        run(kBin + "orv-shade " + kDemo + " --node probe -P 0,1.5,0 -N 0,1,0 -I 0,-1,0 --explain");
    ASSERT_EQ(probe.status, 0) << probe.output;
    const json ray = json::parse(probe.output)[0]["explain"]["calls"][0];
    EXPECT_EQ(ray["cast"], "probe");
    EXPECT_EQ(ray["hit"], "probeBall");
    EXPECT_GT(ray["distance"].get<double>(), 0.0);

    // A lit surface: each light sample with its filter's result, then its shadow ray.
    const ToolRun lit = run(kBin + "orv-shade " + kDemo +
                            " --node floorSurface -P 0.2,0,1.8 -N 0,1,0 -I 0,-1,0 --explain");
    ASSERT_EQ(lit.status, 0) << lit.output;
    const json lighting = json::parse(lit.output)[0]["explain"];
    const json* key =
        findEvent(lighting, [](const json& e) { return e.value("light", "") == "key"; });
    ASSERT_NE(key, nullptr);
    EXPECT_EQ((*key)["calls"][0]["node"], "shadowCard");
    EXPECT_EQ((*key)["calls"][0]["filteredIntensity"], (*key)["filteredIntensity"]);
    EXPECT_NE((*key)["filteredIntensity"], (*key)["intensity"]);
    EXPECT_EQ((*key)["calls"].back()["ray"], "shadow");
}

TEST_F(ToolsTest, PixelExplainsTheRendersSampleInTheFrameAsked) {
    // The key light's blocker between the light and the floor, at a size other than the
    // scene's: the pixel's record names the floor, and the blocker is in its light's sample.
    const ToolRun lit = run(kBin + "orv-shade " + kDemo + " --pixel 12,26 --res 32x32");
    ASSERT_EQ(lit.status, 0) << lit.output;
    const json record = json::parse(lit.output);
    EXPECT_EQ(record["pixel"], json::array({12, 26}));
    EXPECT_EQ(record["object"], "floor");
    EXPECT_EQ(record["explain"]["ray"], "camera");
    const json* key =
        findEvent(record["explain"], [](const json& e) { return e.value("light", "") == "key"; });
    ASSERT_NE(key, nullptr) << lit.output;
    EXPECT_EQ((*key)["calls"][0]["node"], "shadowCard");
    // The same pixel in the scene's own frame is another ray.
    const ToolRun own = run(kBin + "orv-shade " + kDemo + " --pixel 12,26");
    ASSERT_EQ(own.status, 0) << own.output;
    EXPECT_NE(json::parse(own.output)["explain"]["direction"], record["explain"]["direction"]);
}

/// The line of `text` holding `key`, or "".
std::string lineWith(const std::string& text, const std::string& key) {
    const size_t at = text.find(key);
    if (at == std::string::npos) return "";
    const size_t start = text.rfind('\n', at) + 1;  // npos + 1 is 0
    return text.substr(start, text.find('\n', at) - start);
}

// A sample with a NaN or infinite colour is rendered black and counted; the count and the first
// in frame order are reported once, in the summary and the image's metadata, the same for any
// thread count and bucket size; a crop of what lies before that first one has none.
TEST_F(ToolsTest, NonFiniteSamplesAreReportedWithTheFirstInFrameOrder) {
    std::ofstream(file("hot.json")) << R"({
        "camera": {"position": [0, 0, 5], "lookAt": [0, 0, 0], "fov": 30},
        "objects": [{"type": "sphere", "shader": "lit"}],
        "lights": [{"type": "point", "position": [0, 0, 3], "color": [3e38, 1, 1],
                    "intensity": 100}],
        "nodes": [{"type": "lambert", "name": "lit"}]})";
    const std::string render = kBin + "orv-render " + file("hot.json") + " -q --res 24x24 --spp 2 ";
    // The summary's warning, then the two attributes.
    auto report = [&](const std::string& args) {
        const ToolRun done = run(render + args + " -o " + file("hot.exr") + " 2>&1");
        EXPECT_EQ(done.status, 0) << done.output;
        const std::string info = run("oiiotool --info -v " + file("hot.exr")).output;
        return lineWith(done.output, "warning:") + "\n" + lineWith(info, "orv:nonFiniteSamples") +
               "\n" + lineWith(info, "orv:firstNonFiniteSample") + "\n" +
               lineWith(info, "orv:warnings");
    };
    const std::string whole = report("--threads 1");
    EXPECT_NE(whole.find("NaN or infinite colour, rendered black; the first at pixel "),
              std::string::npos)
        << whole;
    EXPECT_NE(whole.find("orv:warnings: 1"), std::string::npos) << whole;
    EXPECT_EQ(report("--threads 2 --bucket 3"), whole);
    int x = -1, y = -1;
    ASSERT_EQ(std::sscanf(lineWith(whole, "orv:first").c_str(),
                          " orv:firstNonFiniteSample: \"pixel %d,%d", &x, &y),
              2)
        << whole;
    ASSERT_GT(x, 0);
    ASSERT_GT(y, 0);
    for (const std::string& before :
         {"0,0,24," + std::to_string(y),
          "0," + std::to_string(y) + "," + std::to_string(x) + "," + std::to_string(y + 1)}) {
        const std::string none = report("--crop " + before);
        EXPECT_EQ(none.find("warning:"), std::string::npos) << before << ": " << none;
        EXPECT_NE(none.find("orv:nonFiniteSamples: 0"), std::string::npos)
            << before << ": " << none;
        EXPECT_NE(none.find("orv:warnings: 0"), std::string::npos) << before << ": " << none;
    }
}

TEST_F(ToolsTest, GridPixelsAreThePointsAtTheCellCentres) {
    // 5 x 3 cells over x in [-1, 4], z in [-2, 1] of the floor: cell centres at whole and half
    // units, the first corner at the top-left.
    const std::string scene = ORV_SOURCE_DIR "/scenes/blocker.json";
    json points = json::array();
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 5; ++column)
            points.push_back({{"point", {-0.5 + column, 0, -1.5 + row}},
                              {"normal", {0, 1, 0}},
                              {"lightIntensity", 2}});
    std::ofstream(file("points.json")) << points.dump();
    for (const std::string node : {"ball", "white"}) {
        // The points file gives each point's light, as -L gives the grid's.
        const std::string shade = kBin + "orv-shade " + scene + " --node " + node + " ";
        const ToolRun grid = run(shade + "-L 2 --grid -1,0,-2:4,0,1 --res 5x3 --image " +
                                 file("grid.exr") + " 2>&1");
        ASSERT_EQ(grid.status, 0) << grid.output;
        const ToolRun each = run(shade + "--points " + file("points.json"));
        ASSERT_EQ(each.status, 0) << each.output;
        const json records = json::parse(each.output);
        const host::ImageBuffer image = host::readImage(file("grid.exr"));
        ASSERT_EQ(image.width(), 5);
        ASSERT_EQ(image.height(), 3);
        for (int i = 0; i < 15; ++i) {
            const json& record = records[i];
            const json& value = record.contains("filteredIntensity") ? record["filteredIntensity"]
                                                                     : record["output"];
            const RGBA pixel = image.at(i % 5, i / 5);
            EXPECT_NEAR(pixel.r, value[0].get<double>(), 1e-6) << node << " cell " << i;
            EXPECT_NEAR(pixel.b, value[2].get<double>(), 1e-6) << node << " cell " << i;
        }
    }
}

TEST_F(ToolsTest, InfoListsThePluginsTypesThenTheHostsOwn) {
    const ToolRun info = run(kBin + "orv-info -f json");
    ASSERT_EQ(info.status, 0) << info.output;
    std::map<std::string, json> types;
    std::vector<std::string> order;
    for (const json& type : json::parse(info.output)) {
        order.push_back(type["name"]);
        types[type["name"]] = type;
    }
    EXPECT_EQ(order.front(), "orv_blocker");
    EXPECT_FALSE(types["orv_blocker"]["host"].get<bool>());
    EXPECT_EQ(types["orv_blocker"]["index"], 0);
    for (const char* own :
         {"lambert", "flat", "checker", "state", "environment", "perspective_camera", "point_light",
          "spot_light", "sphere", "plane", "box", "mesh", "options"}) {
        ASSERT_TRUE(types.count(own)) << own;
        EXPECT_TRUE(types[own]["host"].get<bool>()) << own;
        EXPECT_FALSE(types[own]["parameters"].empty()) << own;
    }
    EXPECT_EQ(types["spot_light"]["parameters"][4]["name"], "coneAngle");
    EXPECT_EQ(types["spot_light"]["parameters"][4]["default"], 30.0);
    // The columns of the tables come along: bType is read once per update, and means four values.
    const json& bType = types["orv_blocker"]["parameters"][2];
    EXPECT_TRUE(bType["oncePerUpdate"].get<bool>());
    EXPECT_EQ(bType["values"][1]["meaning"], "sphere");
    EXPECT_EQ(types["orv_radio_station"]["parameters"][11]["max"], 10.0);
    // Every parameter, the library's and the host's, says in one line what it does.
    for (const auto& [name, type] : types)
        for (const json& param : type["parameters"]) {
            const std::string help = param["help"];
            EXPECT_TRUE(!help.empty() && help.find('\n') == std::string::npos)
                << name << "." << param["name"].get<std::string>();
        }
    const ToolRun text = run(kBin + "orv-info");
    ASSERT_EQ(text.status, 0) << text.output;
    EXPECT_NE(text.output.find("bType  int  0  once per update  (0 card, 1 sphere, 2 box, 3 "
                               "cylinder)  -- the unit shape"),
              std::string::npos)
        << text.output;
}

}  // namespace
