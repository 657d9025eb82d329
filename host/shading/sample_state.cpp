#include "shading/sample_state.h"

#include <cstring>

namespace host {

SampleScope::SampleScope(ThreadContext& thread, ShaderGlobals& sg, const World* world, int rayDepth,
                         SampleOrigin origin)
    : thread_(thread), mark_(thread.arena.mark()), sample_{&thread, {}, world, rayDepth, origin} {
    sg.threadIndex = thread.index;
    sg.host = &sample_;
}

Where whereOf(const ShaderGlobals* sg) {
    Where where;
    const HostSample* sample = sg ? sg->host : nullptr;
    if (sample && sample->thread && sample->thread->inFrame) {
        where.pixelX = sample->origin.pixelX;
        where.pixelY = sample->origin.pixelY;
        where.sample = sample->origin.sampleIndex;
    }
    return where;
}

ShaderGlobals blankShaderGlobals() {
    ShaderGlobals sg;
    std::memset(&sg, 0, sizeof(sg));
    sg.normal = sg.alternateNormal = sg.geometricNormal = Vector{0, 0, 1};
    sg.rayDirection = Vector{0, 0, -1};
    return sg;
}

}  // namespace host
