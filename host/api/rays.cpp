// Rays: making, tracing and probing them against the world's geometry, and the mirror and
// refraction directions shaders build them from.
#include <cmath>
#include <limits>

#include "api/ray_directions.h"
#include "geometry/geometry_scene.h"
#include "geometry/object_types.h"
#include "render/world.h"
#include "shading/explain_recorder.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "universe/node.h"

namespace {

using host::Vec3d;

/// Origins leave their surface by this much times the larger of 1 and the origin's largest
/// coordinate, so that the float rounding of a hit point never puts the next ray back inside.
constexpr double kOriginOffset = 1e-4;
/// Hits nearer than this (relative in the same way) are the surface the ray leaves.
constexpr double kRelativeTnear = 1e-6;
/// Recursion stops here whatever the scene's limit, to bound the stack of nested samples.
constexpr int kHardRayDepthLimit = 64;

bool finite(const Vector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

/// max(1, |p.x|, |p.y|, |p.z|), by comparisons that compile inline (fmax is a library call).
double magnitude(const Vector& p) {
    const float x = std::fabs(p.x), y = std::fabs(p.y), z = std::fabs(p.z);
    float m = x > 1.0f ? x : 1.0f;
    m = y > m ? y : m;
    m = z > m ? z : m;
    return m;
}

const host::World* worldOf(const Ray* ray) {
    if (!ray || !ray->parent || !ray->parent->host) return nullptr;
    return ray->parent->host->world;
}

void countRay(const Ray& ray) {
    host::ThreadContext* thread = ray.parent->host->thread;
    if (!thread) return;
    ++thread->raysTraced;
    for (int bit = 0; bit < 4; ++bit)
        if (ray.type == (1u << bit)) ++thread->raysByType[bit];
}

/// The far end of the search as Embree takes it: nothing for a NaN or non-positive distance.
float farDistance(double maxDistance) {
    if (!(maxDistance > 0.0)) return 0.0f;
    if (maxDistance >= static_cast<double>(std::numeric_limits<float>::max()))
        return std::numeric_limits<float>::infinity();
    return static_cast<float>(maxDistance);
}

bool castable(const Ray& ray) {
    return finite(ray.origin) && finite(ray.direction) && farDistance(ray.maxDistance) > 0.0f &&
           (ray.direction.x != 0.0f || ray.direction.y != 0.0f || ray.direction.z != 0.0f);
}

float nearDistance(const Ray& ray) {
    return static_cast<float>(kRelativeTnear * magnitude(ray.origin));
}

Node* shaderOf(const Node* object) {
    if (!object) return nullptr;
    if (object->values.size() > host::kObjectShader &&
        object->values[host::kObjectShader].type == kTypeNode)
        return object->values[host::kObjectShader].node;
    return static_cast<Node*>(AiNodeGetPtr(object, "shader"));
}

/// What a ray that leaves the scene sees: the world's background shader looking along the ray,
/// shaded as a sample of its own one level deeper, else its background colour.
RGB background(const host::World& world, const Ray& ray, int depth) {
    if (!world.background) return world.backgroundColor;
    const HostSample& parent = *ray.parent->host;
    ShaderGlobals sg = host::blankShaderGlobals();
    sg.rayDirection = ray.direction;
    sg.point = ray.origin;
    host::SampleScope scope(*parent.thread, sg, &world, depth, parent.origin);
    sg.host->rayType = ray.type;
    host::evaluateNode(world.background, &sg);
    return sg.out.rgb;
}

/// A probe as --explain reports it: the nearest object, which an any-hit test does not find.
void explainProbe(host::ExplainRecorder& explain, const host::GeometryScene* geometry,
                  const Ray& ray, bool occluded) {
    host::GeometryScene::Hit nearest{};
    const bool found = occluded && geometry->intersect(ray.origin, ray.direction, nearDistance(ray),
                                                       farDistance(ray.maxDistance), &nearest);
    explain.probe(ray.type, ray.origin, ray.direction, occluded, found ? nearest.object : nullptr,
                  found ? nearest.distance : 0.0);
}

}  // namespace

extern "C" {

void AiMakeRay(Ray* ray, uint32_t type, const Vector* origin, const Vector* direction,
               double maxDistance, const ShaderGlobals* parent) {
    if (!ray) return;
    Vector o = origin ? *origin : Vector{0, 0, 0};
    Vector d = direction ? *direction : Vector{0, 0, 0};
    // Unit directions, so that distances along the ray are world distances.
    const bool usable = finite(o) && finite(d);
    if (usable) {
        const double squared = static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y +
                               static_cast<double>(d.z) * d.z;
        if (squared > 0.0) {
            const double r = 1.0 / std::sqrt(squared);
            d = Vector{static_cast<float>(d.x * r), static_cast<float>(d.y * r),
                       static_cast<float>(d.z * r)};
        }
    }
    // Leave the surface of the sample that casts the ray, on the side the ray heads for.
    if (usable && parent && parent->object) {
        const Vector& n = parent->geometricNormal;
        const double squared = static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                               static_cast<double>(n.z) * n.z;
        if (squared > 0.0 && std::isfinite(squared)) {
            const double facing = static_cast<double>(d.x) * n.x + static_cast<double>(d.y) * n.y +
                                  static_cast<double>(d.z) * n.z;
            const double step = (facing >= 0.0 ? kOriginOffset : -kOriginOffset) * magnitude(o) /
                                std::sqrt(squared);
            o = Vector{static_cast<float>(o.x + n.x * step), static_cast<float>(o.y + n.y * step),
                       static_cast<float>(o.z + n.z * step)};
        }
    }
    *ray = Ray{type, o, d, maxDistance, parent};
}

bool AiTraceProbe(const Ray* ray, ProbeHit* hit) {
    if (hit) *hit = ProbeHit{{0, 0, 0}, {0, 0, 0}, 0.0, nullptr};
    const host::World* world = worldOf(ray);
    if (!world) return false;
    countRay(*ray);
    const bool occluded = world->geometry && castable(*ray) &&
                          world->geometry->occluded(ray->origin, ray->direction, nearDistance(*ray),
                                                    farDistance(ray->maxDistance));
    if (host::ExplainRecorder* explain = host::explainRecorder(ray->parent))
        explainProbe(*explain, world->geometry, *ray, occluded);
    return occluded;
}

bool AiTrace(const Ray* ray, TraceResult* result) {
    TraceResult scratch;
    TraceResult& r = result ? *result : scratch;
    r = TraceResult{{0, 0, 0}, 0.0f, {0, 0, 0}, 0.0, nullptr};
    const host::World* world = worldOf(ray);
    if (!world) return false;
    const HostSample& parent = *ray->parent->host;
    const int depth = parent.rayDepth + 1;
    if (depth > world->maxRayDepth || depth > kHardRayDepthLimit || !parent.thread) return false;
    countRay(*ray);
    const host::ExplainedTrace explained(host::explainRecorder(ray->parent), *ray, r);

    host::GeometryScene::Hit hit;
    const bool found = world->geometry && castable(*ray) &&
                       world->geometry->intersect(ray->origin, ray->direction, nearDistance(*ray),
                                                  farDistance(ray->maxDistance), &hit);
    if (!found) {
        r.color = background(*world, *ray, depth);
        return false;
    }
    r.alpha = 1.0f;
    r.point = hit.point;
    r.distance = hit.distance;
    r.object = hit.object;
    Node* shader = shaderOf(hit.object);
    if (!shader) return true;

    ShaderGlobals sg = host::blankShaderGlobals();
    sg.rayDirection = ray->direction;
    sg.point = hit.point;
    sg.normal = hit.shadingNormal;
    sg.geometricNormal = hit.geometricNormal;
    const Vector& n = hit.shadingNormal;
    const float facing = n.x * ray->direction.x + n.y * ray->direction.y + n.z * ray->direction.z;
    sg.alternateNormal = facing > 0.0f ? Vector{-n.x, -n.y, -n.z} : n;
    sg.object = hit.object;
    host::SampleScope scope(*parent.thread, sg, world, depth, parent.origin);
    sg.host->rayType = ray->type;
    host::evaluateNode(shader, &sg);
    r.color = sg.out.rgb;
    return true;
}

void AiReflect(const Vector* in, const Vector* normal, Vector* out) {
    *out = host::toVector(host::reflectDirection(host::toVec3d(*in), host::toVec3d(*normal)));
}

void AiReflectSafe(const Vector* in, const Vector* normal, const Vector* geometricNormal,
                   Vector* out) {
    *out = host::toVector(host::reflectDirectionSafe(host::toVec3d(*in), host::toVec3d(*normal),
                                                     host::toVec3d(*geometricNormal)));
}

bool AiRefract(const Vector* in, const Vector* normal, Vector* out, float n1, float n2) {
    Vec3d refracted;
    const bool through =
        host::refractDirection(host::toVec3d(*in), host::toVec3d(*normal), n1, n2, &refracted);
    *out = host::toVector(refracted);
    return through;
}

}  // extern "C"
