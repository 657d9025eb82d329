// Placeholder rays and samplers until the ray tracing core lands: every ray misses and a sampler
// hands out one centred sample. Keeps the interface complete so plug-ins bind.
#include "plugin/renderer.h"

struct Sampler {
    int samples;
};
struct SamplerIterator {
    int handed;
};

extern "C" {
void AiMakeRay(Ray* ray, uint32_t type, const Vector* origin, const Vector* direction,
               double maxDistance, const ShaderGlobals* parent) {
    *ray = Ray{type, *origin, *direction, maxDistance, parent};
}
bool AiTrace(const Ray*, TraceResult* result) {
    *result = TraceResult{{0, 0, 0}, 0, {0, 0, 0}, 0, nullptr};
    return false;
}
bool AiTraceProbe(const Ray*, ProbeHit*) {
    return false;
}
void AiReflect(const Vector* in, const Vector* n, Vector* out) {
    const float d = 2 * (in->x * n->x + in->y * n->y + in->z * n->z);
    *out = Vector{in->x - d * n->x, in->y - d * n->y, in->z - d * n->z};
}
void AiReflectSafe(const Vector* in, const Vector* n, const Vector*, Vector* out) {
    AiReflect(in, n, out);
}
bool AiRefract(const Vector* in, const Vector*, Vector* out, float, float) {
    *out = *in;
    return true;
}
Sampler* AiSampler(int samples, int) {
    return new Sampler{samples < 1 ? 1 : samples};
}
SamplerIterator* AiSamplerIterator(const Sampler*, const ShaderGlobals*) {
    return nullptr;
}
bool AiSamplerGetSample(SamplerIterator*, float*) {
    return false;
}
float AiSamplerGetSampleInvCount(const SamplerIterator*) {
    return 0.0f;
}
void AiSamplerDestroy(Sampler* sampler) {
    delete sampler;
}
}
