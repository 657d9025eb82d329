#include "render/world_builder.h"

#include "geometry/geometry_scene.h"
#include "tracing/light_models.h"
#include "universe/host_error.h"
#include "universe/node_kinds.h"
#include "universe/universe.h"

namespace host {

std::unique_ptr<RenderWorld> buildWorld(const Scene& scene) {
    auto built = std::make_unique<RenderWorld>();
    try {
        built->geometry = std::make_unique<GeometryScene>(*scene.universe);
    } catch (const HostError& e) {
        throw HostError(scene.path + ": " + e.what());
    }
    built->world.geometry = built->geometry.get();
    placeLights(scene, built->world);
    return built;
}

void placeLights(const Scene& scene, World& world) {
    world.lights.clear();

    for (const SceneLight& entry : scene.lights) {
        const Node* node = entry.node;
        Light light;
        light.node = entry.node;
        light.color = node->values[kLightColor].rgb;
        light.intensity = node->values[kLightIntensity].flt;
        light.model = node->type->light;
        light.model->read(*node, light);
        light.filters = entry.filters;
        world.lights.push_back(std::move(light));
    }

    const Node* options = scene.universe->options();
    world.background = options->values[kOptionBackground].node;
    world.backgroundColor = options->values[kOptionBackgroundColor].rgb;
    world.maxRayDepth = options->values[kOptionRayDepth].integer;
}

}  // namespace host
