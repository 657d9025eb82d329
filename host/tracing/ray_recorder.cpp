#include "tracing/ray_recorder.h"

#include <algorithm>

namespace host {

RayRecorder::RayRecorder(int threads, size_t perThread, size_t run)
    : lanes_(static_cast<size_t>(std::max(threads, 1))), run_(std::max<size_t>(run, 1)) {
    // Whole runs, two at least, so that a full lane thins into whole runs.
    const size_t runs = std::max<size_t>((perThread + run_ - 1) / run_, 2);
    for (Lane& lane : lanes_) lane.rays.resize(runs * run_);
}

void RayRecorder::thin(Lane& lane) const {
    size_t kept = 0;
    for (size_t first = 0; first < lane.kept; first += 2 * run_)
        for (size_t i = first; i < first + run_ && i < lane.kept; ++i)
            lane.rays[kept++] = lane.rays[i];
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
