// orv-shade: evaluates one node of a scene at given shading points and prints what it gives.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "builtin/host_node_types.h"
#include "command_line.h"
#include "render/image_output.h"
#include "render/node_setup.h"
#include "render/point_shading.h"
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

}  // namespace

int main(int argc, char** argv) {
    tools::reportBrokenPipes();
    CLI::App app{
        "Evaluate one node of a scene at shading points, as the renderer would there, and print "
        "its output (or, for a light filter, the filtered light intensity) as JSON, one record "
        "per point. Vectors are given as three numbers: --point 1 2 3 or --point 1,2,3."};
    std::string scenePath, nodeName, pointsFile, objectName;
    std::vector<float> point, normal, geometricNormal, alternateNormal, direction, intensity;
    bool asFilter = false, explain = false;
    std::string gridCorners, gridImage;
    tools::Resolution gridResolution{0, 0};
    int thread = 0;
    std::vector<std::string> plugins;
    app.add_option("scene", scenePath, "scene file (JSON)")->required();
    app.add_option("-n,--node", nodeName, "the node to evaluate")->required();
    auto vectorOption = [&](const char* name, std::vector<float>& into, const char* help) {
        return app.add_option(name, into, help)->expected(3)->delimiter(',');
    };
    vectorOption("-P,--point", point, "shading point, world space (default 0 0 0)");
    vectorOption("-N,--normal", normal, "shading normal (default 0 0 1)");
    vectorOption("--geometric-normal", geometricNormal, "geometric normal (default: --normal)");
    vectorOption("--alternate-normal", alternateNormal,
                 "alternate normal (default: --normal facing against --direction)");
    vectorOption("-I,--direction", direction, "incoming ray direction (default 0 0 -1)");
    app.add_option("-L,--intensity", intensity,
                   "unfiltered light intensity r g b, or one number (default 1)")
        ->expected(1, 3)
        ->delimiter(',');
    app.add_option("--object", objectName,
                   "object being shaded (default: the first whose shader reaches the node)");
    app.add_option("--points", pointsFile,
                   "JSON file: an array of points, each with any of point, normal, "
                   "geometricNormal, alternateNormal, rayDirection, lightIntensity, object");
    app.add_flag("--filter", asFilter,
                 "treat the node as a light filter (automatic for a node in a light's filters)");
    app.add_option("--thread", thread, "render thread index to shade on")
        ->check(CLI::Range(0, 254))
        ->capture_default_str();
    app.add_option("--plugin", plugins, "load another plug-in module (repeatable)");
    app.add_flag("--explain", explain,
                 "add to each record the tree of nodes evaluated, messages set or looked up and "
                 "rays cast while shading the point");
    auto grid = app.add_option("--grid", gridCorners,
                               "X0,Y0,Z0:X1,Y1,Z1: shade the axis-aligned rectangle between two "
                               "corners sharing one coordinate, the first at the top-left, and "
                               "write the values to --image");
    tools::addResolutionOption(app, "--res", gridResolution, 4096, "grid cells WxH, e.g. 128x128")
        ->needs(grid);
    app.add_option("--image", gridImage, "grid image: .exr (values as they are) or .png (sRGB)")
        ->needs(grid);
    grid->excludes("--points");
    if (const auto stop = tools::parseCommandLine(app, argc, argv, "orv-shade")) return *stop;
    host::ShadeGrid cells;
    if (!gridCorners.empty()) {
        if (!host::parseGridCorners(gridCorners, &cells)) {
            std::cerr << "orv-shade: --grid " << gridCorners
                      << ": expected X0,Y0,Z0:X1,Y1,Z1 with exactly one coordinate the same in "
                         "both corners\n";
            return 1;
        }
        cells.width = gridResolution.first;
        cells.height = gridResolution.second;
        if (cells.width < 1 || gridImage.empty()) {
            std::cerr << "orv-shade: --grid needs --res WxH (each 1 to 4096) and --image FILE\n";
            return 1;
        }
    }
    if (intensity.size() == 2) {
        std::cerr << "orv-shade: --intensity takes one number or three\n";
        return 1;
    }

    try {
        host::SceneReadOptions readOptions;
        readOptions.registerTypes = host::registerHostNodeTypes;
        readOptions.plugins = plugins;
        std::unique_ptr<host::Scene> scene = host::readSceneFile(scenePath, readOptions);
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
        for (const std::string& warning : scene->warnings)
            std::cerr << "orv-shade: warning: " << warning << "\n";
        if (!gridImage.empty()) host::checkImagePath(gridImage);
        const std::unique_ptr<host::RenderWorld> world = host::buildWorld(*scene);
        scene->universe->prepare();
        host::setUpNodes(*scene, world->world);
        asFilter = asFilter || host::isLightFilter(*scene, node);
        if (!gridImage.empty()) {
            if (normal.empty()) points[0].normal = host::gridNormal(cells);
            host::writeImage(gridImage,
                             host::shadeGrid(*world, node, asFilter, points[0], cells, thread));
            scene->universe->finish();
            std::cerr << "orv-shade: wrote " << gridImage << "\n";
            return 0;
        }
        const nlohmann::ordered_json records =
            host::shadePoints(*world, node, asFilter, points, thread, explain);
        scene->universe->finish();
        std::cout << "[\n";
        for (size_t i = 0; i < records.size(); ++i)
            std::cout << records[i].dump() << (i + 1 < records.size() ? ",\n" : "\n");
        std::cout << "]\n";
        if (!tools::outputWritten("orv-shade")) return 1;
    } catch (const host::SceneError& e) {
        std::cerr << e.what() << "\n"
                  << "orv-shade: " << e.problems.size()
                  << (e.problems.size() == 1 ? " problem" : " problems")
                  << " in the scene; nothing evaluated\n";
        return 1;
    } catch (const host::HostError& e) {
        std::cerr << "orv-shade: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "orv-shade: out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "orv-shade: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
