// Samplers: a scrambled Sobol pattern (sample_sequence.h), walked once per shading sample. The
// scramble is seeded from the sample's pixel, sample index, ray depth and shading point, so
// patterns are decorrelated between pixels, samples and bounces, and the same scene renders
// the same numbers every time.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "api/sample_sequence.h"
#include "plugin/renderer.h"
#include "shading/sample_state.h"
#include "universe/diagnostics.h"
#include "universe/universe.h"

struct Sampler {
    uint32_t samples;     ///< points handed to a camera-depth sample, 1 .. kMaxSamplerPoints
    uint32_t dimensions;  ///< numbers written per point
    uint32_t salt;        ///< tells this pattern's scramble from another's
};

/// Lives in the sample's arena; trivially destructible, released when the sample ends.
struct SamplerIterator {
    uint32_t count;  ///< points this walk hands out
    uint32_t next;   ///< points handed out so far
    uint32_t dimensions;
    uint32_t seed;                  ///< this walk's scramble; the further dimensions hash from it
    uint32_t seed1;                 ///< dimension 1's scramble, derived from seed once per walk
    const std::atomic<bool>* stop;  ///< the thread's stop request: a raised one ends the walk
};

namespace {

/// The most points one walk hands out: as many as the camera samples a pixel may have, so that
/// a node asking for billions does not make one shading sample take for ever.
constexpr uint32_t kMaxSamplerPoints = 65536;

host::ReportOnce gTooManyWarned;

[[gnu::noinline, gnu::cold]] void warnTooManyPoints(int samples) {
    if (!gTooManyWarned.first()) return;
    // Formatted without building strings: nothing here may throw.
    const Node* node = host::nodeBeingSetUp();
    const std::string_view name = node ? std::string_view(node->name) : "";
    const std::string_view type = node ? std::string_view(node->type->name) : "";
    const auto cut = [](std::string_view text) {
        return static_cast<int>(host::cutLength(text, host::kMaxShownName));
    };
    const auto more = [](std::string_view text) {
        return text.size() > host::kMaxShownName ? "..." : "";
    };
    char message[512];
    if (node)
        std::snprintf(message, sizeof message,
                      "node '%.*s%s' (%.*s%s) asks for a sampler of %d points; each shading "
                      "sample walks at most %u",
                      cut(name), name.data(), more(name), cut(type), type.data(), more(type),
                      samples, kMaxSamplerPoints);
    else
        std::snprintf(message, sizeof message,
                      "a node asks for a sampler of %d points; each shading sample walks at most "
                      "%u",
                      samples, kMaxSamplerPoints);
    host::Where where;
    where.node = name;
    host::diagnostics().report(host::Severity::Warning, "sampler of too many points", where,
                               message);
}

uint32_t floatBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof(bits));
    return bits;
}

}  // namespace

extern "C" {

Sampler* AiSampler(int samples, int dimensions) {
    if (samples > static_cast<int>(kMaxSamplerPoints)) warnTooManyPoints(samples);
    const uint32_t count =
        samples < 1 ? 1u : std::min(static_cast<uint32_t>(samples), kMaxSamplerPoints);
    const uint32_t dims = dimensions < 0 ? 0u : static_cast<uint32_t>(dimensions);
    return new (std::nothrow) Sampler{count, dims, host::hashCombine(host::hashBits(count), dims)};
}

SamplerIterator* AiSamplerIterator(const Sampler* sampler, const ShaderGlobals* sg) {
    // Without a sample's arena there is nowhere to keep a walk: the null iterator hands out
    // nothing, which the other calls accept.
    if (!sampler || !sg || !sg->host || !sg->host->thread) return nullptr;
    const HostSample& sample = *sg->host;
    void* memory = sample.thread->arena.allocate(sizeof(SamplerIterator));
    if (!memory) return nullptr;
    // Deeper rays matter less to the pixel: halve the points per bounce, never below one.
    const int depth = sample.rayDepth < 0 ? 0 : sample.rayDepth;
    const uint32_t count = depth >= 31 ? 1u : sampler->samples >> depth;
    uint32_t seed = sampler->salt;
    seed = host::hashCombine(seed, sample.origin.pixelX);
    seed = host::hashCombine(seed, sample.origin.pixelY);
    seed = host::hashCombine(seed, sample.origin.sampleIndex);
    seed = host::hashCombine(seed, static_cast<uint32_t>(sample.rayDepth));
    seed = host::hashCombine(seed, floatBits(sg->point.x));
    seed = host::hashCombine(seed, floatBits(sg->point.y));
    seed = host::hashCombine(seed, floatBits(sg->point.z));
    return new (memory) SamplerIterator{count < 1 ? 1u : count,      0,
                                        sampler->dimensions,         seed,
                                        host::hashCombine(seed, 1u), sample.thread->stop};
}

bool AiSamplerGetSample(SamplerIterator* iterator, float* sample) {
    if (!iterator || iterator->next >= iterator->count ||
        iterator->stop->load(std::memory_order_relaxed))
        return false;
    const uint32_t i = iterator->next++;
    if (!sample) return true;
    const uint32_t seed = iterator->seed;
    // Scrambled in reversed bit order, where the Sobol points cost nothing to reverse.
    if (iterator->dimensions > 0)
        sample[0] = host::fractionToFloat(
            host::owenScrambleReversed(host::sobolDimension0Reversed(i), seed));
    if (iterator->dimensions > 1)
        sample[1] = host::fractionToFloat(
            host::owenScrambleReversed(host::sobolDimension1Reversed(i), iterator->seed1));
    // Further dimensions are independent uniform numbers, hashed from the point and dimension.
    for (uint32_t d = 2; d < iterator->dimensions; ++d)
        sample[d] = host::fractionToFloat(host::hashCombine(host::hashCombine(seed, d), i));
    return true;
}

float AiSamplerGetSampleInvCount(const SamplerIterator* iterator) {
    if (!iterator || iterator->next == 0) return 0.0f;
    return 1.0f / static_cast<float>(iterator->next);
}

void AiSamplerDestroy(Sampler* sampler) {
    delete sampler;
}

}  // extern "C"
