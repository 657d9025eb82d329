// orv-shade: evaluates one node of a scene at given shading points and prints what it gives.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "builtin/host_node_types.h"
#include "command_line.h"
#include "render/image_output.h"
#include "render/node_setup.h"
#include "render/pixel_explain.h"
#include "render/point_shading.h"
#include "render/scene_camera.h"
#include "render/shade_grid.h"
#include "render/world_builder.h"
#include "scene/json_reader.h"
#include "scene/scene_error.h"
#include "scene/scene_reader.h"
#include "universe/host_error.h"
#include "universe/text_file.h"

namespace {

Vector toVector(const std::vector<float>& v) {
    return Vector{v[0], v[1], v[2]};
}

/// Refuses what no renderer hands a shader: a coordinate no float holds (nan, inf, or a number
/// past 3.4e38 read as inf), or a zero normal or direction, which gives nothing to shade along.
/// `where` is empty for the command line, else the point's place in the points file.
void checkShadingPoint(const host::ShadingPoint& p, const std::string& where) {
    struct Field {
        Vector value;
        const char* option;
        const char* key;
        bool isDirection;
        bool given;
    };
    const RGB& light = p.lightIntensity;
    const Field fields[] = {
        {p.point, "--point", "point", false, true},
        {p.normal, "--normal", "normal", true, true},
        {p.geometricNormal, "--geometric-normal", "geometricNormal", true, p.hasGeometricNormal},
        {p.alternateNormal, "--alternate-normal", "alternateNormal", true, p.hasAlternateNormal},
        {p.rayDirection, "--direction", "rayDirection", true, true},
        {Vector{light.r, light.g, light.b}, "--intensity", "lightIntensity", false, true},
    };
    for (const Field& field : fields) {
        if (!field.given) continue;
        const Vector& v = field.value;
        const std::string name =
            where.empty() ? std::string(field.option) : where + ": \"" + field.key + "\"";
        const std::string shown = host::formatValue(host::ParamValue::makeVector(v.x, v.y, v.z));
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z))
            throw host::HostError(name + ": " + shown +
                                  " is not finite: each number must fit a 32-bit float");
        if (field.isDirection && v.x == 0 && v.y == 0 && v.z == 0)
            throw host::HostError(name + ": is zero: a normal or direction needs a length");
    }
}

/// orv-shade --pixel: the explain tree of pixel (x, y)'s first camera sample, set up and traced
/// as orv-render would, in a frame of the scene's size or `size`.
int explainPixel(host::Scene& scene, int x, int y, tools::Resolution size, int thread) {
    host::Universe& universe = *scene.universe;
    if (size.first > 0) {
        universe.setParam(universe.options(), "xres", host::ParamValue::makeInt(size.first));
        universe.setParam(universe.options(), "yres", host::ParamValue::makeInt(size.second));
    }
    const int width = universe.options()->values[host::kOptionXres].integer;
    const int height = universe.options()->values[host::kOptionYres].integer;
    if (x >= width || y >= height)
        throw host::HostError("--pixel " + std::to_string(x) + "," + std::to_string(y) +
                              ": outside the " + std::to_string(width) + "x" +
                              std::to_string(height) + " frame");
    if (thread >= universe.renderThreads())
        throw host::HostError("--thread " + std::to_string(thread) + ": the scene renders on " +
                              std::to_string(universe.renderThreads()) + " threads");
    tools::DiagnosticsPrinter diagnostics("orv-shade");
    diagnostics.print();
    const std::unique_ptr<host::RenderWorld> world = host::buildWorld(scene);
    const host::Camera camera = host::sceneCamera(scene, width, height);
    universe.prepare();
    host::setUpNodes(scene, world->world);
    diagnostics.print();
    const nlohmann::ordered_json record =
        host::explainPixel(scene, world->world, camera, x, y, width, height, thread);
    universe.finish();
    diagnostics.print();
    tools::armStops();
    return tools::writeOutput("orv-shade", record.dump() + "\n");
}

}  // namespace

int main(int argc, char** argv) {
    tools::beginTool();
    CLI::App app{
        "Evaluate one node of a scene at shading points, as the renderer would there, and print "
        "its output (or, for a light filter, the filtered light intensity) as JSON, one record "
        "per point; or, with --pixel, explain how the render gives one pixel its colour. "
        "Vectors are given as three numbers: --point 1 2 3 or --point 1,2,3."};
    std::string scenePath, nodeName, pointsFile, objectName;
    std::vector<float> point, normal, geometricNormal, alternateNormal, direction, intensity;
    bool asFilter = false, explain = false;
    std::vector<std::string> gridCorners;
    std::string gridImage;
    tools::Resolution resolution{0, 0};
    std::vector<int> pixel;
    int thread = 0;
    std::vector<std::string> plugins;
    app.add_option("scene", scenePath, "scene file (JSON)")->required();
    auto nodeFlag = tools::addNameOption(app, "-n,--node", nodeName,
                                         "the node to evaluate (required unless --pixel)");
    auto vectorOption = [&](const char* name, std::vector<float>& into, const char* help) {
        return tools::addFloatsOption(app, name, into, 3, 3, help)->type_name("X,Y,Z");
    };
    auto pointFlag =
        vectorOption("-P,--point", point, "shading point, world space (default 0 0 0)");
    auto normalFlag = vectorOption("-N,--normal", normal, "shading normal (default 0 0 1)");
    auto geometricFlag =
        vectorOption("--geometric-normal", geometricNormal, "geometric normal (default: --normal)");
    auto alternateFlag =
        vectorOption("--alternate-normal", alternateNormal,
                     "alternate normal (default: --normal facing against --direction)");
    auto directionFlag =
        vectorOption("-I,--direction", direction, "incoming ray direction (default 0 0 -1)");
    auto intensityFlag = tools::addFloatsOption(app, "-L,--intensity", intensity, 1, 3,
                                                "unfiltered light intensity r g b, or one number "
                                                "(default 1)");
    tools::addNameOption(app, "--object", objectName,
                         "object being shaded (default: the first whose shader reaches the node)");
    auto pointsFlag = tools::addNameOption(
        app, "--points", pointsFile,
        "JSON file: an array of points, each with any of point, normal, geometricNormal, "
        "alternateNormal, rayDirection, lightIntensity, object");
    app.add_flag("--filter", asFilter,
                 "treat the node as a light filter (automatic for a node in a light's filters)");
    tools::addIntegerOption(app, "--thread", thread, 0, 254, "render thread index to shade on")
        ->default_str("0");
    app.add_option("--plugin", plugins, "load another plug-in module (repeatable)");
    auto explainFlag = app.add_flag(
        "--explain", explain,
        "add to each record the tree of nodes evaluated, messages set or looked up and rays cast "
        "while shading the point");
    auto grid = app.add_option("--grid", gridCorners,
                               "X0,Y0,Z0:X1,Y1,Z1: shade the axis-aligned rectangle between two "
                               "corners sharing one coordinate, the first at the top-left, and "
                               "write the values to --image")
                    ->expected(2)
                    ->delimiter(':')
                    ->type_name("X0,Y0,Z0:X1,Y1,Z1");
    const int kMaxGridSide = 4096, kMaxFrameSide = 16384;
    auto resolutionFlag = tools::addResolutionOption(
        app, "--res", resolution, kMaxFrameSide,
        "grid cells WxH, e.g. 128x128; with --pixel, the frame's size (default: the scene's)");
    auto pixelFlag =
        tools::addIntegersOption(app, "--pixel", pixel, 2, ',', 0, kMaxFrameSide - 1,
                                 "X,Y: print the --explain tree of this pixel's first camera "
                                 "sample, as the render traces it, instead of shading a node")
            ->type_name("X,Y");
    tools::addNameOption(app, "--image", gridImage,
                         "grid image: .exr (values as they are) or .png (sRGB)")
        ->needs(grid);
    // Flags that would be silently ignored are refused: a grid sets its own points and writes
    // an image, a points file gives every point whole.
    grid->excludes(pointsFlag)->excludes(explainFlag)->excludes(pointFlag);
    for (CLI::Option* flag :
         {pointFlag, normalFlag, geometricFlag, alternateFlag, directionFlag, intensityFlag})
        pointsFlag->excludes(flag);
    // A pixel sets its own node, point and ray, and is always explained.
    for (CLI::Option* flag : {nodeFlag, pointFlag, normalFlag, geometricFlag, alternateFlag,
                              directionFlag, intensityFlag, pointsFlag, grid, explainFlag,
                              app.get_option("--object"), app.get_option("--filter")})
        pixelFlag->excludes(flag);
    if (const auto stop = tools::parseCommandLine(app, argc, argv, "orv-shade")) return *stop;
    if (nodeName.empty() && pixel.empty()) {
        tools::say("orv-shade", "--node NAME or --pixel X,Y is required; see orv-shade --help");
        return 1;
    }
    if (resolutionFlag->count() > 0 && gridCorners.empty() && pixel.empty()) {
        tools::say("orv-shade", "--res needs --grid or --pixel; see orv-shade --help");
        return 1;
    }
    if (!gridCorners.empty() &&
        (resolution.first > kMaxGridSide || resolution.second > kMaxGridSide)) {
        tools::say("orv-shade", "--res: a grid is 1 to " + std::to_string(kMaxGridSide) +
                                    " cells a side, found " + std::to_string(resolution.first) +
                                    "x" + std::to_string(resolution.second));
        return 1;
    }
    host::ShadeGrid cells;
    if (!gridCorners.empty()) {
        std::vector<float> from, to;
        try {
            for (int corner = 0; corner < 2; ++corner) {
                std::vector<float>& into = corner == 0 ? from : to;
                std::string text = gridCorners[corner];
                for (size_t start = 0; start <= text.size();) {
                    const size_t end = std::min(text.find(',', start), text.size());
                    into.push_back(tools::readFloat("--grid", text.substr(start, end - start)));
                    start = end + 1;
                }
            }
        } catch (const CLI::ValidationError& e) {
            tools::say("orv-shade", std::string(e.what()) + "; see orv-shade --help");
            return 1;
        }
        if (from.size() != 3 || to.size() != 3 ||
            !host::setGridCorners(toVector(from), toVector(to), &cells)) {
            tools::say("orv-shade",
                       "--grid: expected X0,Y0,Z0:X1,Y1,Z1 with exactly one "
                       "coordinate the same in both corners, and the others within "
                       "a 32-bit float of each other");
            return 1;
        }
        cells.width = resolution.first;
        cells.height = resolution.second;
        if (cells.width < 1 || gridImage.empty()) {
            tools::say("orv-shade", "--grid needs --res WxH (each 1 to " +
                                        std::to_string(kMaxGridSide) + ") and --image FILE");
            return 1;
        }
    }
    if (intensity.size() == 2) {
        tools::say("orv-shade", "--intensity takes one number or three");
        return 1;
    }

    try {
        tools::catchStops("orv-shade");
        host::SceneReadOptions readOptions;
        readOptions.registerTypes = host::registerHostNodeTypes;
        readOptions.plugins = plugins;
        std::unique_ptr<host::Scene> scene = host::readSceneFile(scenePath, readOptions);
        if (!pixel.empty()) return explainPixel(*scene, pixel[0], pixel[1], resolution, thread);
        Node* node = scene->universe->findNode(nodeName);
        if (!node || node->type->kind != kNodeShader)
            throw host::HostError(scenePath + ": --node " + nodeName +
                                  (node ? ": not a shader node" : ": no node of that name"));
        if (thread >= scene->universe->renderThreads())
            throw host::HostError("--thread " + std::to_string(thread) + ": the scene renders on " +
                                  std::to_string(scene->universe->renderThreads()) + " threads");
        Node* object = nullptr;
        if (!objectName.empty()) {
            object = scene->universe->findNode(objectName);
            if (!object || object->type->kind != kNodeShape)
                throw host::HostError(scenePath + ": --object " + objectName +
                                      ": no object of that name");
        } else {
            object = host::objectShadedBy(*scene, node);
        }

        std::vector<host::ShadingPoint> points;
        if (!pointsFile.empty()) {
            points = host::readShadingPoints(
                host::parseJsonText(host::readTextFile(pointsFile), pointsFile), *scene,
                pointsFile);
            for (host::ShadingPoint& p : points)
                if (!p.object) p.object = object;
        } else {
            host::ShadingPoint p;
            if (!point.empty()) p.point = toVector(point);
            if (!normal.empty()) p.normal = toVector(normal);
            if (!geometricNormal.empty()) {
                p.geometricNormal = toVector(geometricNormal);
                p.hasGeometricNormal = true;
            }
            if (!alternateNormal.empty()) {
                p.alternateNormal = toVector(alternateNormal);
                p.hasAlternateNormal = true;
            }
            if (!direction.empty()) p.rayDirection = toVector(direction);
            if (intensity.size() == 1)
                p.lightIntensity = RGB{intensity[0], intensity[0], intensity[0]};
            if (intensity.size() == 3)
                p.lightIntensity = RGB{intensity[0], intensity[1], intensity[2]};
            p.object = object;
            points.push_back(p);
        }

        for (size_t i = 0; i < points.size(); ++i)
            checkShadingPoint(points[i], pointsFile.empty()
                                             ? std::string()
                                             : pointsFile + ": point " + std::to_string(i));
        tools::DiagnosticsPrinter diagnostics("orv-shade");
        diagnostics.print();
        // Found out before any shading: an image that cannot be written or would destroy an
        // input. The file is opened again to be written, so that a stop while shading, which
        // ends the tool at once, leaves no folder made for it.
        if (!gridImage.empty()) host::refuseSceneInputs(host::ImageFile(gridImage), *scene);
        const std::unique_ptr<host::RenderWorld> world = host::buildWorld(*scene);
        scene->universe->prepare();
        host::setUpNodes(*scene, world->world);
        diagnostics.print();
        asFilter = asFilter || host::isLightFilter(*scene, node);
        if (!gridImage.empty()) {
            if (normal.empty()) points[0].normal = host::gridNormal(cells);
            const host::ImageBuffer values =
                host::shadeGrid(*world, node, asFilter, points[0], cells, thread);
            tools::armStops();  // the image is written whole, whatever is asked meanwhile
            host::ImageFile image(gridImage);
            image.write(values);
            scene->universe->finish();
            diagnostics.print();
            tools::say("orv-shade", "wrote " + gridImage);
            return 0;
        }
        const nlohmann::ordered_json records =
            host::shadePoints(*world, node, asFilter, points, thread, explain);
        scene->universe->finish();
        // Each point's warnings are in its record; stderr tells each once, as a render would.
        std::set<std::string> told;
        for (const auto& record : records)
            if (record.contains("warnings"))
                for (const auto& warning : record["warnings"]) {
                    const std::string line = warning["severity"].get<std::string>() + ": " +
                                             warning["message"].get<std::string>();
                    if (told.insert(line).second) tools::say("orv-shade", line);
                }
        std::string text = "[\n";
        for (size_t i = 0; i < records.size(); ++i)
            text += records[i].dump() + (i + 1 < records.size() ? ",\n" : "\n");
        text += "]\n";
        tools::armStops();
        return tools::writeOutput("orv-shade", text);
    } catch (const host::SceneError& e) {
        // What was found before the problems: a plug-in skipped may be why a type is unknown.
        tools::DiagnosticsPrinter("orv-shade").print();
        for (const std::string& problem : e.problems)
            std::fprintf(stderr, "%s\n", host::printable(problem).c_str());
        tools::say("orv-shade", std::to_string(e.count) +
                                    (e.count == 1 ? " problem" : " problems") +
                                    " in the scene; nothing evaluated");
        return 1;
    } catch (const host::HostError& e) {
        tools::say("orv-shade", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        tools::say("orv-shade", "out of memory");
        return 1;
    } catch (const std::exception& e) {
        tools::say("orv-shade", e.what());
        return 1;
    }
}
