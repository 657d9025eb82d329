#include "render/world_builder.h"

#include "geometry/geometry_scene.h"
#include "tracing/light_models.h"
#include "universe/host_error.h"

namespace host {

namespace {

const ParamValue& stored(const Node* node, const char* param) {
    return node->values[node->type->findParam(param)];
}

}  // namespace

std::unique_ptr<RenderWorld> buildWorld(const Scene& scene) {
    auto built = std::make_unique<RenderWorld>();
    try {
        built->geometry = std::make_unique<GeometryScene>(*scene.universe);
    } catch (const HostError& e) {
        throw HostError(scene.path + ": " + e.what());
    }
    World& world = built->world;
    world.geometry = built->geometry.get();

    for (const SceneLight& entry : scene.lights) {
        const Node* node = entry.node;
        Light light;
        light.node = entry.node;
        light.color = stored(node, "color").rgb;
        light.intensity = stored(node, "intensity").flt;
        light.model = node->type->light;
        light.model->read(*node, light);
        light.filters = entry.filters;
        world.lights.push_back(std::move(light));
    }

    const Node* options = scene.universe->options();
    world.background = stored(options, "background").node;
    world.backgroundColor = stored(options, "backgroundColor").rgb;
    world.maxRayDepth = stored(options, "rayDepth").integer;
    return built;
}

}  // namespace host
