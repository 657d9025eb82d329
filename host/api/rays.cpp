// Rays: the renderer's calls for making, tracing and probing them, over the host's tracer, and
// the mirror and refraction directions shaders build them from.
#include "api/ray_directions.h"
#include "tracing/tracer.h"

namespace {

using host::Vec3d;

/// `*v`, or zero for null, read one component at a time. The caller has usually just stored
/// the vector, and a wider load that straddles two of its stores (the y and z of a pair-wise
/// copy) stalls until both reach the cache: the compiler's pairing of components would do that.
Vector componentwise(const Vector* v) {
    if (!v) return Vector{0, 0, 0};
    const volatile float* c = &v->x;
    return Vector{c[0], c[1], c[2]};
}

}  // namespace

extern "C" {

void AiMakeRay(Ray* ray, uint32_t type, const Vector* origin, const Vector* direction,
               double maxDistance, const ShaderGlobals* parent) {
    if (!ray) return;
    *ray =
        host::makeRay(type, componentwise(origin), componentwise(direction), maxDistance, parent);
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
