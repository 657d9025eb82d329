// The kinds of light: how each reads its node and what it gives a shading point. A new kind
// (distant, area) is one more model here and its row among the host's node types.
#pragma once

#include "geometry/affine_transform.h"
#include "tracing/world.h"
#include "universe/node.h"
#include "universe/node_kinds.h"

namespace host {

/// The parameters of the host's light types of each kind: every light's, then the kind's own,
/// which the kind reads by these indices.
inline constexpr auto kPointLightParams = joinParams(
    kLightParams,
    std::array{
        vectorParam("position", 0.0f, 0.0f, 0.0f).help("where the light is, in world space")});
inline constexpr auto kSpotLightParams = joinParams(
    kPointLightParams,
    std::array{
        vectorParam("direction", 0.0f, -1.0f, 0.0f).help("where the spot points"),
        floatParam("coneAngle", 30.0f).help("the cone's full opening, in degrees"),
        floatParam("penumbraAngle", 5.0f).help("the soft edge inside the cone, in degrees"),
    });
inline constexpr int kLightPosition = paramIndex(kPointLightParams, "position", kTypeVector);
inline constexpr int kSpotDirection = paramIndex(kSpotLightParams, "direction", kTypeVector);
inline constexpr int kSpotConeAngle = paramIndex(kSpotLightParams, "coneAngle", kTypeFloat);
inline constexpr int kSpotPenumbraAngle = paramIndex(kSpotLightParams, "penumbraAngle", kTypeFloat);

/// What one light gives one shading point, before its filters.
struct LightSample {
    Vec3d towardLight;  ///< unit, from the shading point to the light
    double distance;    ///< to `position`; infinite for a light at infinity
    Vector position;    ///< where the shadow ray ends, when `distance` is finite
    double scale;       ///< times the light's colour: the intensity arriving, unfiltered
};

/// A parameter range the scene check holds a light of this kind to.
struct LightRange {
    const char* param;
    double low, high;
    const char* unit;
};

/// One kind of light. Every kind has `color` and `intensity`; the rest is the kind's own.
struct LightModel {
    const char* name;  ///< "point"
    /// Reads the kind's own stored values of `node` into `light`.
    void (*read)(const Node& node, Light& light);
    /// What `light` gives `point`; false when it gives nothing there (at the light itself, out
    /// of its cone), so that its filters are not run and no shadow ray is cast.
    bool (*sample)(const Light& light, const Vec3d& point, LightSample* out);
    /// The parameter the light points along, which may not be zero; null when it has none.
    const char* aim;
    const LightRange* ranges;  ///< checked in the scene, `rangeCount` of them
    int rangeCount;
};

extern const LightModel kSpotLight;

}  // namespace host
