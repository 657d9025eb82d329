// Rays: making, tracing and probing them against the world's geometry, and the mirror and
// refraction directions shaders build them from.
#include <cmath>
#include <limits>

#include "api/ray_directions.h"
#include "geometry/geometry_scene.h"
#include "geometry/object_types.h"
#include "render/world.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "universe/node.h"

namespace {

using host::Vec3d;

/// Hits nearer than this (relative in the same way) are the surface the ray leaves.
constexpr double kRelativeTnear = 1e-6;
/// Recursion stops here whatever the scene's limit, to bound the stack of nested samples.
constexpr int kHardRayDepthLimit = 64;

bool finite(const Vector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
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
    return static_cast<float>(kRelativeTnear * host::originMagnitude(ray.origin));
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

}  // namespace

extern "C" {

void AiMakeRay(Ray* ray, uint32_t type, const Vector* origin, const Vector* direction,
               double maxDistance, const ShaderGlobals* parent) {
    if (!ray) return;
    Vector o = origin ? *origin : Vector{0, 0, 0};
    Vector d = direction ? *direction : Vector{0, 0, 0};
    if (finite(o) && finite(d)) {
        // Unit directions, so that distances along the ray are world distances.
        d = host::unitDirection(d);
        // Leave the surface of the sample that casts the ray, on the side the ray heads for.
        if (parent && parent->object) o = host::leaveSurface(o, d, parent->geometricNormal);
    }
    *ray = Ray{type, o, d, maxDistance, parent};
}

bool AiTraceProbe(const Ray* ray, ProbeHit* hit) {
    if (hit) *hit = ProbeHit{{0, 0, 0}, {0, 0, 0}, 0.0, nullptr};
    const host::World* world = worldOf(ray);
    if (!world) return false;
    countRay(*ray);
    if (!world->geometry || !castable(*ray)) return false;
    return world->geometry->occluded(ray->origin, ray->direction, nearDistance(*ray),
                                     farDistance(ray->maxDistance));
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
