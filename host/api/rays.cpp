// Rays: the renderer's calls for making, tracing and probing them, over the host's tracer, and
// the mirror and refraction directions shaders build them from.
#include "api/caller_vectors.h"
#include "api/ray_directions.h"
#include "tracing/tracer.h"

namespace {

using host::Vec3d;

}  // namespace

extern "C" {

void AiMakeRay(Ray* ray, uint32_t type, const Vector* origin, const Vector* direction,
               double maxDistance, const ShaderGlobals* parent) {
    if (!ray) return;
    *ray = host::makeRay(type, host::componentwise(origin), host::componentwise(direction),
                         maxDistance, parent);
}

bool AiTraceProbe(const Ray* ray, ProbeHit* hit) {
    if (hit) *hit = ProbeHit{{0, 0, 0}, {0, 0, 0}, 0.0, nullptr};
    return ray && host::probeRay(*ray);
}

bool AiTrace(const Ray* ray, TraceResult* result) {
    TraceResult scratch;
    TraceResult& r = result ? *result : scratch;
    if (!ray) {
        r = TraceResult{{0, 0, 0}, 0.0f, {0, 0, 0}, 0.0, nullptr};
        return false;
    }
    return host::traceRay(*ray, r);
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
