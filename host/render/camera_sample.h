// Shading one camera sample.
#pragma once

#include <cstdint>

#include "render/camera.h"
#include "shading/sample_state.h"
#include "tracing/world.h"

namespace host {

/// Camera samples whose colour had a NaN or infinite channel, each rendered black. Kept per
/// render thread and merged once at the end, so that counting costs nothing while samples are
/// finite and the first one does not depend on which thread found it.
struct NonFiniteSamples {
    uint64_t count = 0;
    /// The first in frame order (row, then column, then sample index); meaningful when count > 0.
    SampleOrigin first{};

    void add(const SampleOrigin& at);
    void merge(const NonFiniteSamples& other);
};

/// Traces the camera ray through image point (x, y) (pixels from the top-left) into `world`
/// with the tracer, from a root sample of its own on `thread` whose origin is `origin`, so the hit
/// is shaded exactly as any traced ray's is: by its object's shader, in a fresh sample one level
/// down; a miss gives the background. Alpha is 1 on a hit, 0 on a miss. A colour with a NaN or
/// infinite channel would spread through the pixel filter: it gives opaque black instead (a
/// non-finite alpha gives alpha 1) and is added to `nonFinite`. No lock, no heap allocation once
/// the thread's arena has warmed up. What the sample records for the film goes to
/// thread.channels, when the thread has a record, which the caller clears before each sample.
RGBA traceCameraSample(ThreadContext& thread, const World& world, const Camera& camera,
                       const SampleOrigin& origin, float x, float y, NonFiniteSamples& nonFinite);

}  // namespace host
