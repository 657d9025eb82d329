#include "render/world_builder.h"

#include <cmath>

#include "geometry/geometry_scene.h"
#include "universe/host_error.h"

namespace host {

namespace {

const ParamValue& stored(const Node* node, const char* param) {
    return node->values[node->type->findParam(param)];
}

Vector unit(const Vector& v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0 ? Vector{v.x / l, v.y / l, v.z / l} : Vector{0, -1, 0};
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
        light.position = stored(node, "position").vec;
        if (node->type->findParam("direction") >= 0) {
            light.kind = LightKind::Spot;
            light.direction = unit(stored(node, "direction").vec);
            light.coneAngle = stored(node, "coneAngle").flt;
            light.penumbraAngle = stored(node, "penumbraAngle").flt;
        }
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
