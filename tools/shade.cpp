// orv-shade: evaluates one node of a scene at given shading points and prints what it gives.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>

#include "builtin/host_node_types.h"
#include "render/point_shading.h"
#include "render/world_builder.h"
#include "scene/json_location.h"
#include "scene/scene_error.h"
#include "scene/scene_reader.h"
#include "universe/host_error.h"

namespace {

Vector toVector(const std::vector<float>& v) {
    return Vector{v[0], v[1], v[2]};
}

nlohmann::json readJsonFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw host::HostError(path + ": cannot be read");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& e) {
        const host::TextLocation at = host::locateOffset(text, e.byte > 0 ? e.byte - 1 : 0);
        throw host::HostError(path + ":" + std::to_string(at.line) + ":" +
                              std::to_string(at.column) + ": malformed JSON");
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Evaluate one node of a scene at shading points, as the renderer would there, and print "
        "its output (or, for a light filter, the filtered light intensity) as JSON, one record "
        "per point. Vectors are given as three numbers: --point 1 2 3 or --point 1,2,3."};
    std::string scenePath, nodeName, pointsFile, objectName;
    std::vector<float> point, normal, geometricNormal, alternateNormal, direction, intensity;
    bool asFilter = false;
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
    CLI11_PARSE(app, argc, argv);
    if (intensity.size() == 2) {
        std::cerr << "orv-shade: --intensity takes one number or three\n";
        return 2;
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
            points = host::readShadingPoints(readJsonFile(pointsFile), *scene, pointsFile);
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

        const std::unique_ptr<host::RenderWorld> world = host::buildWorld(*scene);
        scene->universe->prepare();
        const nlohmann::ordered_json records = host::shadePoints(
            *world, node, asFilter || host::isLightFilter(*scene, node), points, thread);
        scene->universe->finish();
        std::cout << "[\n";
        for (size_t i = 0; i < records.size(); ++i)
            std::cout << records[i].dump() << (i + 1 < records.size() ? ",\n" : "\n");
        std::cout << "]\n";
    } catch (const host::SceneError& e) {
        std::cerr << e.what() << "\n"
                  << "orv-shade: " << e.problems.size()
                  << (e.problems.size() == 1 ? " problem" : " problems")
                  << " in the scene; nothing evaluated\n";
        return 1;
    } catch (const host::HostError& e) {
        std::cerr << "orv-shade: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
