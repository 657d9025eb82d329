// The renderable scene as rays and lights see it during a render.
#pragma once

#include <vector>

#include "plugin/renderer.h"

namespace host {

class RayGeometry;  // host/geometry/ray_geometry.h

struct LightModel;                    // tracing/light_models.h
extern const LightModel kPointLight;  // the default kind

/// A light and the light filters applied to each of its samples, in order.
struct Light {
    const LightModel* model = &kPointLight;  ///< its kind: how it lights a point
    Vector position{0, 0, 0};
    Vector direction{0, -1, 0};  ///< spot axis, unit length
    RGB color{1, 1, 1};
    float intensity = 1.0f;
    float coneAngle = 30.0f;     ///< spot: full opening angle, degrees
    float penumbraAngle = 5.0f;  ///< spot: soft edge inside the cone, degrees
    std::vector<Node*> filters;
    Node* node = nullptr;  ///< the light's own node, if it has one
};

/// Everything a traced ray or a light sample may consult. Immutable while a render runs.
struct World {
    const RayGeometry* geometry = nullptr;  ///< null: every ray misses
    std::vector<Light> lights;
    Node* background = nullptr;  ///< shader seen by missed traced rays; null: backgroundColor
    RGB backgroundColor{0, 0, 0};
    int maxRayDepth = 4;  ///< traced rays deeper than this are not cast
};

}  // namespace host
