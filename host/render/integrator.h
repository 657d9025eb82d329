// Shading one camera sample.
#pragma once

#include "render/camera.h"
#include "shading/sample_state.h"
#include "tracing/world.h"

namespace host {

/// Traces the camera ray through image point (x, y) (pixels from the top-left) into `world`
/// with the tracer, from a root sample of its own on `thread` whose origin is `origin`, so the hit
/// is shaded exactly as any traced ray's is: by its object's shader, in a fresh sample one level
/// down; a miss gives the background. Alpha is 1 on a hit, 0 on a miss. No lock, no heap
/// allocation once the thread's arena has warmed up.
RGBA traceCameraSample(ThreadContext& thread, const World& world, const Camera& camera,
                       const SampleOrigin& origin, float x, float y);

}  // namespace host
