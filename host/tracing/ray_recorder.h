// A record of the rays a render casts, for benchmarks that replay them against the geometry
// alone. A render thread records only while its ThreadContext::rays is set (one null check per
// ray otherwise); it then keeps runs of consecutive rays in a buffer of its own, sized before the
// render, so that recording neither locks nor allocates. Runs, not single rays, so that the
// replay meets the geometry as coherently as the render did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin/renderer.h"

namespace host {

struct RecordedRay {
    Vector origin;     ///< as cast: off the surface it leaves
    Vector direction;  ///< unit
    float tnear, tfar;
    uint32_t type;  ///< the ray's type bit
    bool traced;    ///< closest hit (traced) rather than any hit (probed)
    /// What the ray was made from, so that it can be made again: the parent sample's point and
    /// geometric normal, whether it shaded an object, and the distance asked for.
    bool onObject;
    Vector point;
    Vector geometricNormal;
    double maxDistance;
};

class RayRecorder {
  public:
    /// Room for `perThread` rays on each of `threads` threads (rounded up to two runs), kept
    /// in runs of `run` consecutive rays.
    RayRecorder(int threads, size_t perThread, size_t run = 4096);

    /// Called by the tracer on thread `thread` for each ray it casts. A thread whose buffer is
    /// full keeps every other run it holds and from then on half as many: its buffer ends
    /// holding an even sample of all its rays, whatever their number.
    void record(int thread, const Ray& ray, float tnear, float tfar, bool traced) {
        if (static_cast<size_t>(thread) >= lanes_.size()) return;
        Lane& lane = lanes_[static_cast<size_t>(thread)];
        ++lane.byKind[kindOf(ray.type, traced)];
        if ((lane.seen++ / run_) % lane.stride != 0) return;
        if (lane.kept == lane.rays.size()) {
            thin(lane);
            if (((lane.seen - 1) / run_) % lane.stride != 0) return;
        }
        const ShaderGlobals* parent = ray.parent;
        lane.rays[lane.kept++] = RecordedRay{ray.origin,
                                             ray.direction,
                                             tnear,
                                             tfar,
                                             ray.type,
                                             traced,
                                             parent && parent->object,
                                             parent ? parent->point : Vector{0, 0, 0},
                                             parent ? parent->geometricNormal : Vector{0, 0, 0},
                                             ray.maxDistance};
    }

    /// Rays are counted by kind: their type's bit (camera, shadow, reflected, refracted; 4 for
    /// any other type) and whether they were traced or probed.
    static constexpr int kKinds = 10;
    static int kindOf(uint32_t type, bool traced) {
        const int bit =
            type != 0 && (type & (type - 1)) == 0 && type < 16u ? __builtin_ctz(type) : 4;
        return 2 * bit + (traced ? 1 : 0);
    }
    /// Rays of kind `kind` cast while recording, on every thread.
    uint64_t seenOfKind(int kind) const;

    int threads() const { return static_cast<int>(lanes_.size()); }
    /// Rays cast on `thread` while recording, kept or not.
    uint64_t seen(int thread) const { return lanes_[static_cast<size_t>(thread)].seen; }
    /// The rays `thread` kept, in the order it cast them.
    std::vector<RecordedRay> rays(int thread) const;

  private:
    struct alignas(64) Lane {
        std::vector<RecordedRay> rays;
        size_t kept = 0;
        uint64_t seen = 0;
        uint64_t stride = 1;  ///< one run in this many is kept
        uint64_t byKind[kKinds] = {};
    };
    /// Keeps every other run of a full lane and doubles its stride. Out of line: rare.
    void thin(Lane& lane) const;
    std::vector<Lane> lanes_;
    size_t run_;
};

}  // namespace host
