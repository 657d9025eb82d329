// The tracer: rays made, traced and probed against the world's geometry, and the sample that
// shades each hit.
#include "tracing/tracer.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>

#include "geometry/affine_transform.h"
#include "geometry/ray_geometry.h"
#include "shading/explain_recorder.h"
#include "shading/network.h"
#include "shading/output_color.h"
#include "tracing/light_models.h"
#include "tracing/ray_making.h"
#include "tracing/ray_recorder.h"
#include "tracing/sample_channels.h"
#include "tracing/stack_room.h"
#include "tracing/world.h"
#include "universe/node.h"
#include "universe/node_kinds.h"

namespace host {

namespace {

/// Hits nearer than this (relative in the same way) are the surface the ray leaves.
constexpr double kRelativeTnear = 1e-6;
/// Recursion stops here whatever the scene's limit, to bound the stack of nested samples.
constexpr int kHardRayDepthLimit = 64;

const World* worldOf(const Ray* ray) {
    if (!ray || !ray->parent || !ray->parent->host) return nullptr;
    return ray->parent->host->world;
}

/// Counts `ray` on `thread` (none: not counted): every ray, and by type when its type is one of
/// the four single bits counted, found by the bit's position rather than a search.
void countRay(ThreadContext* thread, uint32_t type) {
    if (!thread) return;
    ++thread->raysTraced;
    if (type != 0 && (type & (type - 1)) == 0 && type < 16u)
        ++thread->raysByType[__builtin_ctz(type)];
}

/// The far end of the search as Embree takes it: nothing for a NaN or non-positive distance.
float farDistance(double maxDistance) {
    if (!(maxDistance > 0.0)) return 0.0f;
    if (maxDistance >= static_cast<double>(std::numeric_limits<float>::max()))
        return std::numeric_limits<float>::infinity();
    return static_cast<float>(maxDistance);
}

float nearDistance(const Ray& ray) {
    return static_cast<float>(kRelativeTnear * originMagnitude(ray.origin));
}

Node* shaderOf(const Node* object) {
    if (!object) return nullptr;
    // An object's parameters begin with its kind's, the shader first.
    if (object->type->kind == kNodeShape) return object->values[kObjectShader].node;
    // Any other node: its "shader" parameter, declared or user, as AiNodeGetPtr reads it.
    const int index = object->type->findParam("shader");
    const UserParamEntry* user = index >= 0 ? nullptr : object->findUserParam("shader");
    const ParamValue* value = index >= 0 ? &object->values[index] : user ? &user->value : nullptr;
    return value && value->type == kTypeNode ? value->node : nullptr;
}

/// A ray one level deeper than the thread's stack can hold is not cast; the first such ray of
/// a render says so, once, with the sample it came from.
[[gnu::noinline, gnu::cold]] void refuseForStack(int depth, const ShaderGlobals* parent) {
    static ReportOnce once;
    if (!once.first()) return;
    char message[160];
    std::snprintf(message, sizeof message,
                  "a ray %d levels below the camera would overflow its render thread's stack; "
                  "rays that deep are not cast",
                  depth);
    diagnostics().report(Severity::Warning, "ray deeper than the stack", whereOf(parent), message);
}

/// What a ray that leaves the scene sees: the world's background shader looking along the ray,
/// shaded as a sample of its own one level deeper, else its background colour.
RGB background(const World& world, const Ray& ray, int depth) {
    if (!world.background) return world.backgroundColor;
    const HostSample& parent = *ray.parent->host;
    ShaderGlobals sg = blankShaderGlobals();
    sg.rayDirection = ray.direction;
    sg.point = ray.origin;
    shadeSample(*parent.thread, sg, &world, depth, parent.origin, ray.type, world.background);
    const RGBA c = outputColor(sg.out, world.background->type->outputType);
    return RGB{c.r, c.g, c.b};
}

/// A probe as --explain reports it: the nearest object, which an any-hit test does not find.
/// Out of line and cold, so that a render's probes do not pay for its registers.
[[gnu::noinline, gnu::cold]] void explainProbe(ExplainRecorder& explain,
                                               const RayGeometry* geometry, const Ray& ray,
                                               bool occluded) {
    RayGeometry::Hit nearest{};
    const bool found = occluded && geometry->intersect(ray.origin, ray.direction, nearDistance(ray),
                                                       farDistance(ray.maxDistance), &nearest);
    explain.probe(ray.type, ray.origin, ray.direction, occluded, found ? nearest.object : nullptr,
                  found ? nearest.distance : 0.0);
}

}  // namespace

bool probeRay(const Ray& ray) {
    const World* world = worldOf(&ray);
    if (!world) return false;
    // The thread is read once: it holds both the counts and the explain recorder.
    ThreadContext* thread = ray.parent->host->thread;
    countRay(thread, ray.type);
    const float tnear = nearDistance(ray), tfar = farDistance(ray.maxDistance);
    if (__builtin_expect(thread && thread->rays, 0))
        thread->rays->record(thread->index, ray, tnear, tfar, false);
    const bool occluded =
        world->geometry && world->geometry->occluded(ray.origin, ray.direction, tnear, tfar);
    if (thread && thread->explain) explainProbe(*thread->explain, world->geometry, ray, occluded);
    return occluded;
}

bool shadowed(const ShaderGlobals& sg, const LightSample& light) {
    if (!std::isfinite(light.distance)) {
        const Ray ray = makeRay(kRayShadow, sg.point, toVector(light.towardLight),
                                std::numeric_limits<double>::infinity(), &sg);
        return probeRay(ray);
    }
    const Vector& end = light.position;
    const Vector toLight{end.x - sg.point.x, end.y - sg.point.y, end.z - sg.point.z};
    Ray ray = makeRay(kRayShadow, sg.point, toLight, 0.0, &sg);
    // Aimed from the offset origin, so that the ray ends at the light itself.
    const Vec3d aim = toVec3d(end) - toVec3d(ray.origin);
    const double distance = std::sqrt(dot(aim, aim));
    if (!(distance > 0.0) || !std::isfinite(distance)) return false;
    ray.direction = toVector(aim * (1.0 / distance));
    ray.maxDistance = distance;
    return probeRay(ray);
}

Vector alternateNormal(const Vector& normal, const Vector& rayDirection) {
    const float facing =
        normal.x * rayDirection.x + normal.y * rayDirection.y + normal.z * rayDirection.z;
    return facing > 0.0f ? Vector{-normal.x, -normal.y, -normal.z} : normal;
}

ShaderGlobals surfaceGlobals(const Vector& point, const Vector& normal,
                             const Vector& geometricNormal, const Vector& rayDirection,
                             Node* object) {
    ShaderGlobals sg = blankShaderGlobals();
    sg.rayDirection = rayDirection;
    sg.point = point;
    sg.normal = normal;
    sg.geometricNormal = geometricNormal;
    sg.alternateNormal = alternateNormal(normal, rayDirection);
    sg.object = object;
    return sg;
}

void shadeSample(ThreadContext& thread, ShaderGlobals& sg, const World* world, int depth,
                 const SampleOrigin& origin, uint32_t rayType, Node* node) {
    SampleScope scope(thread, sg, world, depth, origin);
    sg.host->rayType = rayType;
    evaluateNode(node, &sg);
}

bool traceRay(const Ray& ray, TraceResult& r) {
    r = TraceResult{{0, 0, 0}, 0.0f, {0, 0, 0}, 0.0, nullptr};
    const World* world = worldOf(&ray);
    if (!world) return false;
    const HostSample& parent = *ray.parent->host;
    const int depth = parent.rayDepth + 1;
    if (depth > world->maxRayDepth || depth > kHardRayDepthLimit || !parent.thread) return false;
    if (!stackRoomForARay()) {
        refuseForStack(depth, ray.parent);
        return false;
    }
    countRay(parent.thread, ray.type);
    const ExplainedTrace explained(explainRecorder(ray.parent), ray, r);

    const float tnear = nearDistance(ray), tfar = farDistance(ray.maxDistance);
    if (__builtin_expect(parent.thread->rays != nullptr, 0))
        parent.thread->rays->record(parent.thread->index, ray, tnear, tfar, true);
    RayGeometry::Hit hit;
    const bool found =
        world->geometry && world->geometry->intersect(ray.origin, ray.direction, tnear, tfar, &hit);
    if (!found) {
        r.color = background(*world, ray, depth);
        return false;
    }
    r.alpha = 1.0f;
    r.point = hit.point;
    r.distance = hit.distance;
    r.object = hit.object;
    if (depth == 0 && parent.thread->channels) {
        SampleChannels& channels = *parent.thread->channels;
        channels.hit = true;
        channels.normal = hit.shadingNormal;
        channels.distance = hit.distance;
        channels.object = hit.object;
    }
    Node* shader = shaderOf(hit.object);
    if (!shader) return true;

    ShaderGlobals sg = surfaceGlobals(hit.point, hit.shadingNormal, hit.geometricNormal,
                                      ray.direction, hit.object);
    shadeSample(*parent.thread, sg, world, depth, parent.origin, ray.type, shader);
    // By the shader's declared output: an integer's bits are no colour.
    const RGBA c = outputColor(sg.out, shader->type->outputType);
    r.color = RGB{c.r, c.g, c.b};
    return true;
}

}  // namespace host
