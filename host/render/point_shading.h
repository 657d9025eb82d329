// Evaluating one node of a scene at given shading points, as the renderer would there: the
// engine of orv-shade.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "render/world_builder.h"
#include "scene/scene.h"
#include "shading/sample_state.h"

namespace host {

/// One shading point. Unset normals follow the shading normal; the alternate normal is the
/// shading normal turned to face against the incoming ray.
struct ShadingPoint {
    Vector point{0, 0, 0};
    Vector normal{0, 0, 1};
    Vector geometricNormal{0, 0, 1};
    Vector alternateNormal{0, 0, 1};
    Vector rayDirection{0, 0, -1};  ///< incoming, towards the point
    RGB lightIntensity{1, 1, 1};    ///< the unfiltered light sample a light filter is given
    Node* object = nullptr;         ///< the object shaded (user parameters come from it)
    bool hasGeometricNormal = false;
    bool hasAlternateNormal = false;
};

/// Reads a JSON array of points, each an object with any of "point", "normal",
/// "geometricNormal", "alternateNormal", "rayDirection" ([x, y, z]), "lightIntensity"
/// ([r, g, b] or one number) and "object" (an object's name). Throws HostError naming `source`,
/// the point's index and the key for anything else.
std::vector<ShadingPoint> readShadingPoints(const nlohmann::json& points, const Scene& scene,
                                            const std::string& source);

/// Fills the normals left unset, from the shading normal and the ray direction.
void completeShadingPoint(ShadingPoint& point);

/// Whether `node` is among some light's filters in the scene.
bool isLightFilter(const Scene& scene, const Node* node);

/// The first object whose shader network (or environment user parameter) reaches `node`, or
/// null.
Node* objectShadedBy(const Scene& scene, const Node* node);

/// Evaluates `node` once per point, each in a fresh sample on render thread `thread` with
/// `world`, and gives one JSON record per point: the inputs, and "output" (type and value) or,
/// for a light filter, "filteredIntensity"; with `explain`, also "explain", the tree of
/// evaluations, messages and rays made (explain_report.h). The caller has run
/// Universe::prepare.
nlohmann::ordered_json shadePoints(const RenderWorld& world, Node* node, bool asLightFilter,
                                   const std::vector<ShadingPoint>& points, int thread = 0,
                                   bool explain = false);

/// Evaluates `node` at `point` (completed by completeShadingPoint) in a fresh sample on
/// `thread`, told apart for the samplers by `origin`, and leaves its results in `sg`: the
/// output slot and, for a light filter, the light intensity.
void shadePoint(ThreadContext& thread, const RenderWorld& world, Node* node,
                const ShadingPoint& point, const SampleOrigin& origin, ShaderGlobals* sg);

/// A node's output slot as JSON: a bool, a number, or an array of 3 or 4 numbers by `type`; a
/// float that is infinite or NaN is the string "inf", "-inf" or "nan" (JSON has no such number).
nlohmann::json outputJson(const ShaderValue& out, uint8_t type);

}  // namespace host
