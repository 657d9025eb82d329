// Hostile and mistaken input through the real tools: each row a file or an argument that once
// crashed a tool, rendered a silently wrong picture or blamed the wrong thing. Every one must
// end in a message naming the file, the object or node and the parameter, exit 1, and leave the
// image on disk as it was; odd but legal values render with a warning.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "tool_run.h"

namespace {

using tooltest::Environment;
using tooltest::ToolCase;

const std::vector<std::string> kRender = {"scene.json", "-o", "out.png", "-r",
                                          "8x8",        "-s", "1",       "-q"};

ToolCase render(std::string name, std::string scene, int exitCode, std::vector<std::string> say,
                std::vector<std::pair<std::string, std::string>> more = {}) {
    more.insert(more.begin(), {"scene.json", std::move(scene)});
    return {std::move(name), "orv-render", std::move(more), kRender, exitCode, std::move(say)};
}

const char* const kFlatScene = R"({"nodes": [{"type": "flat", "name": "f"}]})";

/// orv-shade evaluating node `node` of `scene`, with these arguments after "-n NODE".
ToolCase shade(std::string name, std::vector<std::string> args, std::vector<std::string> say,
               std::vector<std::pair<std::string, std::string>> more = {},
               std::string scene = kFlatScene, std::string node = "f") {
    more.insert(more.begin(), {"shade.json", std::move(scene)});
    args.insert(args.begin(), {"shade.json", "-n", std::move(node)});
    return {std::move(name), "orv-shade", std::move(more), std::move(args), 1, std::move(say)};
}

ToolCase without(ToolCase row, std::vector<std::string> words) {
    row.mustNotSay = std::move(words);
    return row;
}

std::string nested(size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

const char* const kEnvironmentLoop = R"({
  "objects": [{"type": "sphere", "name": "ball", "shader": "t",
               "user": {"environment": "sky"}}],
  "nodes": [{"type": "orv_trace", "name": "t", "rayType": 3},
            {"type": "lambert", "name": "sky", "color": {"link": "t"}}]})";

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Plug-ins: an argument is a file path, a file is loaded once however it is reached, a file
/// that is not a plug-in is never run, and a module is taken whole or not at all. Each row has
/// the test module (table_flaw_module.cpp) as my_nodes.so in its folder.
void addPluginRows(std::vector<ToolCase>& rows) {
    const std::string module = fileBytes(ORV_TABLE_FLAW_MODULE);
    const std::string bundled = std::string(ORV_BINARY_DIR) + "/lib/orv_shaders";
    const char* const usesModule = R"({"objects": [{"type": "sphere", "shader": "g"}],
        "nodes": [{"type": "orv_test_table_good", "name": "g"}]})";
    auto row = [&](std::string name, std::vector<std::string> args, int exitCode,
                   std::vector<std::string> say, Environment env = {},
                   std::vector<std::pair<std::string, std::string>> more = {}) {
        more.emplace_back("my_nodes.so", module);
        ToolCase made = render(std::move(name), usesModule, exitCode, std::move(say), more);
        made.args.insert(made.args.end(), args.begin(), args.end());
        made.env = std::move(env);
        made.writesImage = exitCode == 0;
        return made;
    };
    rows.push_back(row("PluginInTheCurrentFolder", {"--plugin", "my_nodes.so"}, 0, {}));
    rows.push_back(row("PluginNameIsNotSearchedFor", {"--plugin", "libz.so.1"}, 1,
                       {"'libz.so.1'", "No such file"}));
    // Reached four ways, the bundled module twice: beside them on the path, the host's own
    // libraries are passed over with a line each.
    rows.push_back(
        without(row("PluginLoadedOnce",
                    {"--plugin", "my_nodes.so", "--plugin", "./my_nodes.so", "--plugin",
                     bundled + "/orv_shaders.so"},
                    0, {"liborv_host_core.so' is not a plug-in: exports no NodeLoader; skipped"},
                    {{"ORV_PLUGIN_PATH", ".:" + bundled}}),
                {"already registered", "offered by both"}));
    std::string otherMachine = module, otherClass = module;
    otherMachine[18] = static_cast<char>(otherMachine[18] ^ 0x7f);
    otherClass[4] = static_cast<char>(otherClass[4] == 1 ? 2 : 1);
    rows.push_back(row("PluginPathSkipsWhatIsNotAPlugin", {}, 0,
                       {"'plugins/notes.so' is not a plug-in: not an ELF file",
                        "'plugins/other_machine.so' is not a plug-in: built for another processor",
                        "'plugins/other_class.so' is not a plug-in: built for "},
                       {{"ORV_PLUGIN_PATH", "plugins"}},
                       {{"plugins/notes.so", "not a library"},
                        {"plugins/other_machine.so", otherMachine},
                        {"plugins/other_class.so", otherClass},
                        {"plugins/my_nodes.so", module}}));
    const std::pair<const char*, const char*> flaws[] = {
        {"duplicate", "parameter 'gain' is declared twice"},
        {"empty", "parameter 1 has no name"},
        {"null", "parameter 1 has no name"},
        {"type", "parameter 'type' is a name scene files keep"},
        {"name", "parameter 'name' is a name scene files keep"},
        {"light",
         "(kind light): its parameters must begin with color (rgb), intensity (float); "
         "parameter 0 is 'gain' (float)"}};
    for (const auto& [flaw, reason] : flaws)
        rows.push_back(row(std::string("PluginTableFlaw_") + flaw, {"--plugin", "my_nodes.so"}, 1,
                           {"my_nodes.so", "node type 'orv_test_table_flawed'", reason},
                           {{"ORV_TEST_TABLE_FLAW", flaw}}));
    // Skipped from the path, the module leaves behind none of the types it offered before.
    rows.push_back(row("PluginRefusedWhole", {}, 1,
                       {"my_nodes.so", "declared twice; skipped", "'orv_test_table_good'"},
                       {{"ORV_PLUGIN_PATH", "."}, {"ORV_TEST_TABLE_FLAW", "duplicate"}}));
    ToolCase info = row("InfoPluginInTheCurrentFolder", {}, 0, {"orv_test_table_good"});
    info.tool = "orv-info";
    info.args = {"my_nodes.so"};
    info.writesImage = false;
    rows.push_back(info);
}

/// orv-live refuses what it cannot serve before it listens: nothing is served, exit 1.
void addLiveRows(std::vector<ToolCase>& rows) {
    auto live = [](std::string name, std::string scene, std::vector<std::string> args,
                   std::vector<std::string> say) {
        args.insert(args.begin(), "scene.json");
        return ToolCase{std::move(name), "orv-live", {{"scene.json", std::move(scene)}},
                        std::move(args), 1,          std::move(say)};
    };
    rows.push_back(live("LivePortOutOfRange", kFlatScene, {"--port", "65536"},
                        {"orv-live: --port", "'65536'", "1 to 65535"}));
    rows.push_back(live("LiveSceneWithAProblem",
                        R"({"nodes": [{"type": "flat", "name": "f", "colour": 1}]})", {},
                        {"scene.json", "node 'f' (flat)", "'colour'", "nothing served"}));
}

std::vector<ToolCase> cases() {
    std::vector<ToolCase> rows = {
        render("NumberBeyondDouble", "{\n  \"camera\": {\"fov\": 1e400}\n}", 1,
               {"scene.json:2:21:", "camera.fov", "out of range"}),
        render("NestingTooDeep", "{\"nodes\": " + nested(100000) + "}", 1,
               {"scene.json:1:", "256 levels"}),
        render("DeepValueQuotedBriefly", "{\"nodes\": [" + nested(200) + "]}", 1,
               {"nodes[0]", "expected a node object"}),
        render("DuplicateKey", R"({"options": {"xres": 32, "xres": 50}})", 1,
               {"scene.json:1:26:", "'xres'", "twice", "first at 1:14"}),
        render("ColourBeyondFloat",
               R"({"lights": [{"type": "point", "name": "key", "color": [1e39, 1, 1]}]})", 1,
               {"scene.json", "light 'key'", "parameter 'color'", "32-bit float"}),
        without(render("CameraPositionBeyondFloat", R"({"camera": {"position": [1e39, 0, 0]}})", 1,
                       {"camera: parameter 'position'", "32-bit float"}),
                {"'up'"}),
        render("NegativeRadius",
               R"({"objects": [{"type": "sphere", "name": "ball", "radius": -1}]})", 1,
               {"object 'ball'", "parameter 'radius'", "negative"}),
        render("NegativeZeroRadius",
               R"({"objects": [{"type": "sphere", "name": "ball", "radius": -0}]})", 1,
               {"object 'ball'", "parameter 'radius'", "-0"}),
        render("NegativePlaneSize",
               R"({"objects": [{"type": "plane", "name": "floor", "size": -0.0}]})", 1,
               {"object 'floor'", "parameter 'size'"}),
        render("ObjVertexNotANumber",
               R"({"objects": [{"type": "mesh", "name": "m", "file": "bad.obj"}]})", 1,
               {"object 'm'", "bad.obj", "line 1", "'nan'"},
               {{"bad.obj", "v nan 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"}}),
        render("ObjVertexBeyondFloat",
               R"({"objects": [{"type": "mesh", "name": "m", "file": "bad.obj"}]})", 1,
               {"object 'm'", "bad.obj", "line 3", "'1e39'"},
               {{"bad.obj", "# a triangle\nv 0 0 0\nv 1 1e39 0\nv 0 1 0\nf 1 2 3\n"}}),
        render("MeshFileIsAFolder",
               R"({"objects": [{"type": "mesh", "name": "m", "file": "meshes"}]})", 1,
               {"object 'm'", "parameter 'file'", "'meshes' is a folder"},
               {{"meshes/readme.txt", "not a mesh"}}),
        render("LinkCycle", R"({"nodes": [
                 {"type": "lambert", "name": "a", "color": {"link": "b"}},
                 {"type": "lambert", "name": "b", "color": {"link": "a"}}]})",
               1, {"scene.json", "node 'b' (lambert): parameter 'color'", "cycle"}),
        render("EnvironmentLoop", kEnvironmentLoop, 1,
               {"object 'ball'", "user parameter 'environment'", "node 't'", "cycle"}),
        shade("ShadeEnvironmentLoop", {}, {"object 'ball'", "node 't'", "cycle"}, {},
              kEnvironmentLoop, "t"),
        shade("ShadeNanPoint", {"-P", "nan,nan,nan"}, {"--point", "not finite"}),
        shade("ShadePointBeyondFloat", {"-P", "1e39,0,0"}, {"--point", "not finite"}),
        shade("ShadeZeroNormal", {"-N", "0,0,0"}, {"--normal", "zero"}),
        shade("ShadeZeroDirection", {"-I", "0,0,0"}, {"--direction", "zero"}),
        shade("ShadePointsNumberBeyondDouble", {"--points", "points.json"},
              {"points.json:1:13:", "'[0].point[0]'", "out of range"},
              {{"points.json", R"([{"point": [1e999, 0, 0]}])"}}),
        shade("ShadePointsBeyondFloat", {"--points", "points.json"},
              {"points.json", "point 0", "\"point\"", "32-bit float"},
              {{"points.json", R"([{"point": [1e39, 0, 0]}])"}}),
        shade("ShadePointsZeroNormal", {"--points", "points.json"},
              {"points.json", "point 1", "\"normal\"", "zero"},
              {{"points.json", R"([{"point": [0, 0, 0]}, {"normal": [0, 0, 0]}])"}}),
        shade("ShadePointsDuplicateKey", {"--points", "points.json"},
              {"points.json:1:23:", "'point'", "first at 1:3"},
              {{"points.json", R"([{"point": [0, 0, 0], "point": [1, 0, 0]}])"}}),
        shade("ShadePointsTooDeep", {"--points", "points.json"}, {"points.json:1:", "256 levels"},
              {{"points.json", nested(5000)}}),
        shade("ShadePointsFolder", {"--points", "points"}, {"points", "is a folder"},
              {{"points/readme.txt", "not points"}}),
        // Geometry past Embree's largest coordinate would vanish from the picture.
        // The film's channels: a name it does not offer, in the scene's option; a light whose
        // group would be written over another channel.
        render("AovOptionUnknownName", R"({"options": {"aovs": "lights,beauty"}})", 1,
               {"options: parameter 'aovs'", "unknown channel 'beauty'", "lights, unfiltered"}),
        ToolCase{"AovLightNamedAsAChannel",
                 "orv-render",
                 {{"scene.json", R"({"options": {"aovs": "lights,albedo"},
                                     "lights": [{"type": "point", "name": "albedo"}]})"}},
                 {"scene.json", "-o", "out.exr", "-r", "8x8", "-q"},
                 1,
                 {"channel 'albedo.R'", "rename the light"}},
        render("PlaneBeyondTheRayTracersReach",
               R"({"objects": [{"type": "plane", "name": "floor", "size": 4e18}]})", 1,
               {"object 'floor'", "parameter 'size'", "1.844e+18"}),
        render("SphereMovedBeyondTheRayTracersReach",
               R"({"objects": [{"type": "sphere", "name": "ball", "translate": [0, 0, -2e18]}]})",
               1, {"object 'ball'", "parameter 'translate'", "1.844e+18"}),
        render("MeshScaledBeyondTheRayTracersReach",
               R"({"objects": [{"type": "mesh", "name": "m", "file": "m.obj",
                                "scale": [1, 1e18, 1]}]})",
               1, {"object 'm'", "parameter 'scale'", "1.844e+18"},
               {{"m.obj", "v 0 0 0\nv 1 0 0\nv 0 2 0\nf 1 2 3\n"}}),
    };
    // Command-line mistakes are failures like any other: one line naming the tool, exit 1.
    auto usage = [](std::string name, std::string tool, std::vector<std::string> args,
                    std::vector<std::string> say) {
        args.insert(args.begin(), "scene.json");
        return ToolCase{
            std::move(name), std::move(tool), {{"scene.json", kFlatScene}}, std::move(args), 1,
            std::move(say)};
    };
    for (ToolCase row : {
             usage("ResolutionSideZero", "orv-render", {"-o", "out.png", "-r", "0x5"},
                   {"orv-render: --res", "1 to 16384"}),
             usage("ResolutionOneNumber", "orv-render", {"-o", "out.png", "-r", "640"},
                   {"orv-render: --res", "2 required"}),
             usage("UnknownFlag", "orv-render", {"--frobnicate"}, {"--frobnicate", "--help"}),
             usage("AovUnknownName", "orv-render", {"-o", "out.exr", "--aov", "lights,normal"},
                   {"orv-render: --aov: unknown channel 'normal'", "or all"}),
             usage("GridResolutionBeyond4096", "orv-shade",
                   {"-n", "f", "--grid", "0,0,0:1,1,0", "--res", "5000x8", "--image", "g.exr"},
                   {"orv-shade: --res", "1 to 4096"}),
             usage("GridWithoutImage", "orv-shade",
                   {"-n", "f", "--grid", "0,0,0:1,1,0", "--res", "8x8"}, {"--image FILE"}),
             // Numbers are decimal whatever their leading zeros: read as octal, 020000 and
             // 070000 would be 8192 and 28672, in range; no wrap, no '+', no base prefix.
             usage("ResolutionLeadingZeroIsDecimal", "orv-render", {"-r", "020000x1"},
                   {"orv-render: --res: '020000'", "1 to 16384"}),
             usage("SamplesLeadingZeroIsDecimal", "orv-render", {"-s", "070000"},
                   {"--spp: '070000'", "1 to 65536"}),
             usage("CropDoesNotWrap", "orv-render", {"--crop", "0,0,4294967297,1"},
                   {"--crop: '4294967297'", "0 to 16384"}),
             usage("CropPlusSign", "orv-render", {"--crop", "+1,0,4,4"}, {"--crop: '+1'"}),
             usage("ThreadsHexadecimal", "orv-render", {"-t", "0x10"}, {"--threads: '0x10'"}),
             usage("PointHexadecimal", "orv-shade", {"-n", "f", "-P", "0x10,0,0"},
                   {"--point: '0x10' is not a decimal number"}),
             usage("GridCornerNotANumber", "orv-shade",
                   {"-n", "f", "--grid", "nan,0,0:1,0,1", "--res", "2x2", "--image", "g.png"},
                   {"--grid: 'nan' is not finite"}),
             usage("GridCornerInfinite", "orv-shade",
                   {"-n", "f", "--grid", "0,0,0:1e39,0,1", "--res", "2x2", "--image", "g.png"},
                   {"--grid: '1e39'", "32-bit float"}),
             // Flags that would be silently ignored.
             usage("ExplainWithGrid", "orv-shade",
                   {"-n", "f", "--grid", "0,0,0:1,0,1", "--res", "2x2", "--image", "g.png",
                    "--explain"},
                   {"--grid", "--explain", "excludes"}),
             usage("PointWithGrid", "orv-shade",
                   {"-n", "f", "--grid", "0,0,0:1,0,1", "--res", "2x2", "--image", "g.png", "-P",
                    "1,1,1"},
                   {"--grid", "--point", "excludes"}),
             usage("NormalWithPoints", "orv-shade",
                   {"-n", "f", "--points", "p.json", "-N", "0,1,0"},
                   {"--points", "--normal", "excludes"}),
             usage("IntensityWithPoints", "orv-shade", {"-n", "f", "--points", "p.json", "-L", "2"},
                   {"--points", "--intensity", "excludes"}),
             // --pixel: a pixel of the frame, given as X,Y, in a frame --res may size.
             usage("PixelOutsideTheFrame", "orv-shade", {"--pixel", "8,3", "--res", "8x8"},
                   {"orv-shade: --pixel 8,3: outside the 8x8 frame"}),
             usage("PixelOneNumber", "orv-shade", {"--pixel", "3"}, {"--pixel", "2 required"}),
             usage("PixelNotANumber", "orv-shade", {"--pixel", "x,1"}, {"--pixel: 'x'"}),
             usage("PixelNegative", "orv-shade", {"--pixel", "-1,0"}, {"--pixel: '-1'"}),
             usage("PixelResolutionZero", "orv-shade", {"--pixel", "0,0", "--res", "0x8"},
                   {"orv-shade: --res: '0'", "1 to 16384"}),
             usage("PixelResolutionOneNumber", "orv-shade", {"--pixel", "0,0", "--res", "8"},
                   {"orv-shade: --res", "2 required"}),
             usage("PixelWithNode", "orv-shade", {"-n", "f", "--pixel", "0,0"},
                   {"--node", "--pixel", "excludes"}),
             usage("ResolutionWithoutGridOrPixel", "orv-shade", {"-n", "f", "--res", "8x8"},
                   {"--res needs --grid or --pixel"}),
             usage("NeitherNodeNorPixel", "orv-shade", {}, {"--node NAME or --pixel X,Y"}),
             usage("WatchWithCrop", "orv-render", {"--watch", "--crop", "0,0,4,4"},
                   {"--crop excludes --watch"}),
             usage("EmptyOutput", "orv-render", {"-o", ""}, {"orv-render: --output: is empty"}),
             usage("EmptyObject", "orv-shade", {"-n", "f", "--object", ""}, {"--object: is empty"}),
             usage("EmptyPoints", "orv-shade", {"-n", "f", "--points", ""}, {"--points: is empty"}),
         })
        rows.push_back(std::move(row));
    // An output that is an input of its own render: the scene saved as scene.png rendered to
    // the default output, scene.png; a grid image written onto the scene it shades.
    rows.push_back({"OutputIsTheScene",
                    "orv-render",
                    {{"scene.png", kFlatScene}},
                    {"scene.png", "-r", "8x8", "-s", "1", "-q"},
                    1,
                    {"cannot write 'scene.png': it is the scene file"}});
    rows.push_back(
        {"GridImageIsTheScene",
         "orv-shade",
         {{"shot.exr", kFlatScene}},
         {"shot.exr", "-n", "f", "--grid", "0,0,0:1,0,1", "--res", "2x2", "--image", "./shot.exr"},
         1,
         {"cannot write './shot.exr': it is the scene file"}});
    // Checked before rendering (no summary line yet), and the folders made for it unmade: a
    // name too long to be made at all.
    rows.push_back(without({"OutputNameTooLong",
                            "orv-render",
                            {{"scene.json", kFlatScene}},
                            {"scene.json", "-r", "8x8", "-s", "1", "-o",
                             "made/for/it/" + std::string(300, 'n') + ".png"},
                            1,
                            {"File name too long"}},
                           {"done in"}));
    // Names from the scene reach the terminal with their control characters written out: no
    // escape sequence retitles it, no newline forges a line of its own.
    rows.push_back(without(
        render("NameWithEscapes",
               R"({"nodes": [{"type": "flat", "name": "\u001b]0;owned\u0007\nx", "colour": 1}]})",
               1, {"node '\\x1b]0;owned\\x07\\nx'"}),
        {"\x1b", "\x07", "\nx"}));
    // A limit stated is the one checked.
    rows.push_back(render("FieldOfViewLimit", R"({"camera": {"fov": 179.5}})", 1,
                          {"parameter 'fov'", "expected 0.001 to 179 degrees"}));
    rows.push_back(render("IntensityLimit",
                          R"({"lights": [{"type": "point", "name": "key", "intensity": 2e30}]})", 1,
                          {"parameter 'intensity'", "expected 0 to 1e+30"}));

    ToolCase folder = without(render("ScenePathIsAFolder", "{}", 1, {"scenes: is a folder"},
                                     {{"scenes/readme.txt", "not a scene"}}),
                              {"malformed"});
    folder.args[0] = "scenes";
    rows.push_back(folder);

    // Legal but most likely not meant: rendered, with a warning naming the place.
    ToolCase flat = render("ZeroScaleWarns", R"({"objects": [
        {"type": "sphere", "name": "disc", "scale": [1, 0, 1]}]})",
                           0, {"warning", "object 'disc'", "parameter 'scale'"});
    ToolCase negative = without(render("NegativeColourWarnsOnce", R"({"nodes": [
        {"type": "flat", "name": "f", "color": [-1, 0, 0]},
        {"type": "flat", "name": "g", "color": [0, -1, 0]}]})",
                                       0, {"warning", "node 'f'", "parameter 'color'", "1 more"}),
                                {"node 'g'"});
    // Finding the object that shades a node walks each node of a network once, not each path:
    // here 2^64 paths, none reaching the node.
    std::string diamond = R"({"objects": [{"type": "sphere", "shader": "c64"}], "nodes": [
        {"type": "flat", "name": "c0"}, {"type": "flat", "name": "f"})";
    for (int i = 1; i <= 64; ++i)
        diamond += ", {\"type\": \"checker\", \"name\": \"c" + std::to_string(i) +
                   "\", \"color1\": {\"link\": \"c" + std::to_string(i - 1) +
                   "\"}, \"color2\": {\"link\": \"c" + std::to_string(i - 1) + "\"}}";
    ToolCase outside = shade("ShadeNodeBesideADiamond", {}, {"\"node\":\"f\""}, {}, diamond + "]}");
    outside.exitCode = 0;
    rows.push_back(outside);
    // JSON has no infinity or NaN: orv-shade writes them as strings, each by its name.
    ToolCase nonFinite = shade("ShadeNamesInfinityAndNaN", {"-P", "0,0,1"},
                               {"\"output\":[\"nan\",\"inf\",7.957747]"}, {}, R"({
        "objects": [{"type": "sphere", "name": "ball", "shader": "l"}],
        "lights": [{"type": "point", "position": [0, 0, 3], "color": [3e38, 3e38, 1],
                    "intensity": 100}],
        "nodes": [{"type": "lambert", "name": "l", "color": [0, 1, 1]}]})",
                               "l");
    // An integer widens into a colour input as grey, as a float does.
    ToolCase widened = shade("ShadeIntegerLinkedIntoAColourIsGrey", {},
                             {"\"output\":[3.0,3.0,3.0]"}, {}, R"({"nodes": [
        {"type": "orv_radio_integer", "name": "i", "integer": 3},
        {"type": "flat", "name": "f", "color": {"link": "i"}}]})");
    for (ToolCase* legal : {&nonFinite, &widened}) {
        legal->exitCode = 0;
        rows.push_back(*legal);
    }

    addPluginRows(rows);
    addLiveRows(rows);

    ToolCase integer = render("IntegerShaderOnAnObjectWarns", R"({
        "objects": [{"type": "sphere", "name": "ball", "shader": "i",
                     "user": {"environment": "i"}}],
        "nodes": [{"type": "orv_radio_integer", "name": "i", "integer": 1}]})",
                              0,
                              {"warning", "object 'ball'", "parameter 'shader'", "not a colour",
                               "user parameter 'environment'"});
    // The bound itself, 1e30, is a float just above it: accepted as written.
    ToolCase bound =
        render("IntensityAtItsLimit",
               R"({"lights": [{"type": "point", "name": "key", "intensity": 1e30}]})", 0, {});
    // Values the node takes as a fallback, and settings read once per update that a network
    // feeds: rendered, with one warning each saying what the node will do.
    ToolCase blockerType = render("BlockerTypeOutsideItsTableWarns", R"({
        "lights": [{"type": "point", "name": "key", "filters": ["blk"]}],
        "nodes": [{"type": "orv_blocker", "name": "blk", "bType": 4}]})",
                                  0,
                                  {"warning", "node 'blk' (orv_blocker): parameter 'bType'", "is 4",
                                   "0 card, 1 sphere, 2 box, 3 cylinder", "filtered everywhere"});
    ToolCase traceModes =
        render("TraceModesOutsideTheirTablesWarn", R"({"nodes": [
        {"type": "orv_trace", "name": "t", "rayType": 7, "direction": -1}]})",
               0,
               {"node 't' (orv_trace): parameter 'rayType'", "is 7", "gives onNoHitColor",
                "parameter 'direction'", "is -1", "incoming direction"});
    ToolCase frequency =
        render("FrequencyElevenWarns", R"({"nodes": [
        {"type": "orv_radio_station", "name": "st", "color3Freq": 11},
        {"type": "orv_radio_scalar", "name": "rx", "frequency": 11}]})",
               0,
               {"node 'st' (orv_radio_station): parameter 'color3Freq'", "is 11", "0 to 10",
                "broadcast on no channel", "node 'rx' (orv_radio_scalar): parameter 'frequency'",
                "its own value"});
    ToolCase onceLinked = render("OncePerUpdateParameterLinkedWarns", R"({
        "objects": [{"type": "sphere", "name": "ball", "shader": "matte"}],
        "lights": [{"type": "point", "name": "key", "filters": ["blk"]}],
        "nodes": [{"type": "state", "name": "where"}, {"type": "checker", "name": "tiles"},
                  {"type": "lambert", "name": "matte"},
                  {"type": "orv_blocker", "name": "blk", "bTransl": {"link": "where"},
                   "bFilter": {"link": "tiles"}}]})",
                                 0,
                                 {"node 'blk' (orv_blocker): parameter 'bTransl'",
                                  "linked to 'where' (state)", "once per update", "light 'key'"});
    onceLinked.mustNotSay = {"'bFilter'"};
    // A filter whose network is lit through the lights evaluates the filters again: with two
    // lights, 2^64 evaluations a sample.
    rows.push_back(render("LitSurfaceAmongFilters", R"({
        "lights": [{"type": "point", "name": "a", "filters": ["dim"]},
                   {"type": "point", "name": "b", "filters": ["dim"]}],
        "nodes": [{"type": "lambert", "name": "surf"},
                  {"type": "flat", "name": "dim", "color": {"link": "surf"}}]})",
                          1,
                          {"light 'a'", "\"filters\"", "'dim'", "node 'surf' (lambert)", "cycle"}));
    // The parser took a NUL for the end of the text and passed over the rest.
    rows.push_back(render("NulInScene", std::string("{\"options\": {}}\0{\"xres\": 0}", 27), 1,
                          {"scene.json:1:16:", "NUL", "offset 15"}));
    rows.push_back(shade("ShadePointsNul", {"--points", "points.json"},
                         {"points.json:2:1:", "NUL", "offset 3"},
                         {{"points.json", std::string("[]\n\0", 4)}}));
    // The OBJ loader reads hexadecimal as 0, and triangulates in time growing as a face's
    // corners squared.
    const char* const kMesh = R"({"objects": [{"type": "mesh", "name": "m", "file": "m.obj"}]})";
    rows.push_back(render("ObjHexadecimalNumber", kMesh, 1, {"object 'm'", "line 2", "'0x10'"},
                          {{"m.obj", "v 0 0 0\nv 0x10 -1 0\nv 0 1 0\nf 1 2 3\n"}}));
    rows.push_back(
        render("ObjNormalNotANumber", kMesh, 1, {"object 'm'", "line 4", "'nan'"},
               {{"m.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn nan 0 1\nf 1//1 2//1 3//1\n"}}));
    std::string polygon;
    for (int i = 0; i < 1100; ++i)
        polygon += "v " + std::to_string(std::cos(i * 0.005)) + " " +
                   std::to_string(std::sin(i * 0.005)) + " 0\n";
    polygon += "f";
    for (int i = 1; i <= 1100; ++i) polygon += " " + std::to_string(i);
    rows.push_back(render("ObjFaceOfTooManyCorners", kMesh, 1,
                          {"object 'm'", "line 1101", "more than 1024 corners"},
                          {{"m.obj", polygon + "\n"}}));
    // It dropped a quad naming a vertex out of range without a word, read 0e999 as NaN, and
    // said of an index of 0 only that the file did not load.
    rows.push_back(render("ObjQuadVertexOutOfRange", kMesh, 1,
                          {"object 'm'", "line 5", "vertex index out of range"},
                          {{"m.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 3 9\n"}}));
    rows.push_back(render("ObjZeroTimesHugeExponent", kMesh, 1, {"object 'm'", "line 2", "'0e999'"},
                          {{"m.obj", "v 0 0 0\r\nv 0e999 1 0\r\nv 0 1 0\r\nf 1 2 3\r\n"}}));
    rows.push_back(render("ObjFaceIndexZero", kMesh, 1, {"object 'm'", "line 4", "index is 0"},
                          {{"m.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n"}}));
    // Names of a thousand characters, misspelt: found in bounded time, shown by their beginning.
    std::string longNames = R"({"nodes": [)";
    for (int i = 0; i < 200; ++i)
        longNames += std::string(i ? ", " : "") + R"({"type": "flat", "name": ")" +
                     std::string(1000, 'a') + std::to_string(i) + R"(", "color": {"link": ")" +
                     std::string(999, 'a') + "b" + std::to_string(i) + "\"}}";
    rows.push_back(render("LongNamesMisspelt", longNames + "]}", 1,
                          {"node 'aaaa", "...'", "and 150 more problems", "200 problems"}));
    // A sampler of two billion points: one shading sample would never end.
    ToolCase sampler = shade("ShadeSamplerOfTwoBillionPoints", {"-N", "0,0,1"},
                             {"warning", "node 'g' (orv_trace)", "2147483647", "65536"}, {},
                             R"({"nodes": [{"type": "orv_trace", "name": "g", "rayType": 1,
                                 "glossy": true, "samples": 2147483647, "spread": 0.2}]})",
                             "g");
    sampler.exitCode = 0;
    rows.push_back(sampler);

    for (ToolCase* legal :
         {&flat, &negative, &integer, &bound, &blockerType, &traceModes, &frequency, &onceLinked}) {
        legal->writesImage = true;
        rows.push_back(*legal);
    }
    return rows;
}

class BadInput : public ::testing::TestWithParam<ToolCase> {};

TEST_P(BadInput, AnswersAsTheTableSays) {
    tooltest::checkToolCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Tools, BadInput, ::testing::ValuesIn(cases()),
                         [](const auto& row) { return row.param.name; });

}  // namespace
