#include "tracing/ray_recorder.h"

#include <algorithm>

namespace host {

RayRecorder::RayRecorder(int threads, size_t perThread)
    : lanes_(static_cast<size_t>(std::max(threads, 1))) {
    for (Lane& lane : lanes_) lane.rays.resize(std::max<size_t>(perThread, 2));
}

void RayRecorder::thin(Lane& lane) {
    size_t kept = 0;
    for (size_t i = 0; i < lane.kept; i += 2) lane.rays[kept++] = lane.rays[i];
    lane.kept = kept;
    lane.stride *= 2;
}

uint64_t RayRecorder::seenOfKind(int kind) const {
    uint64_t total = 0;
    if (kind >= 0 && kind < kKinds)
        for (const Lane& lane : lanes_) total += lane.byKind[kind];
    return total;
}

std::vector<RecordedRay> RayRecorder::rays(int thread) const {
    const Lane& lane = lanes_[static_cast<size_t>(thread)];
    return {lane.rays.begin(), lane.rays.begin() + static_cast<std::ptrdiff_t>(lane.kept)};
}

}  // namespace host
