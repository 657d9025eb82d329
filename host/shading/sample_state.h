// What the host keeps per render thread and per shading sample.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/renderer.h"
#include "shading/message_store.h"
#include "shading/sample_arena.h"
#include "universe/diagnostics.h"

namespace host {

/// The renderable scene (geometry, lights, background, limits), defined by the tracer
/// (tracing/world.h). Samples shaded outside a render have none: their rays miss.
struct World;

class ExplainRecorder;  // shading/explain_recorder.h
struct SampleChannels;  // tracing/sample_channels.h
class RayRecorder;      // tracing/ray_recorder.h

/// A stop request that never comes: what a thread looks at when nobody can ask it to stop.
inline const std::atomic<bool> kNeverStop{false};

/// One render thread's state, reached once per tile and passed down explicitly.
struct ThreadContext {
    explicit ThreadContext(uint8_t threadIndex) : index(threadIndex) {}
    uint8_t index;
    SampleArena arena;
    uint64_t raysTraced = 0;
    /// Rays traced or probed, by type bit: camera, shadow, reflected, refracted.
    uint64_t raysByType[4] = {};
    /// Set only while orv-shade --explain shades a point on this thread; null in renders.
    ExplainRecorder* explain = nullptr;
    /// The record of the camera sample being traced, when the render's film has channels
    /// beside the beauty; null otherwise.
    SampleChannels* channels = nullptr;
    /// Set only by benchmarks that replay a render's rays; null otherwise.
    RayRecorder* rays = nullptr;
    /// Raised to end the work at once: the bucket loop, node evaluations and sampler walks look
    /// at it (one relaxed load) and cut their work short, so that even a sample that would never
    /// end stops. Never null.
    const std::atomic<bool>* stop = &kNeverStop;
    /// Set on a render's threads, whose samples' origins are pixels of the frame; elsewhere
    /// (orv-shade's points) an origin only decorrelates random numbers.
    bool inFrame = false;
};

/// Where a sample comes from, for decorrelating its random numbers.
struct SampleOrigin {
    uint32_t pixelX = 0;
    uint32_t pixelY = 0;
    uint32_t sampleIndex = 0;
};

}  // namespace host

/// The renderer-private part of one ShaderGlobals.
struct HostSample {
    host::ThreadContext* thread;
    host::MessageStore messages;
    const host::World* world;
    int rayDepth;  ///< 0 for camera samples, +1 per traced bounce
    host::SampleOrigin origin;
    uint32_t rayType = kRayCamera;  ///< type code of the ray whose hit this sample shades
    int evaluations = 0;            ///< node evaluations under way in this sample, nested
};

namespace host {

/// Opens a sample on `sg`: fresh messages, a mark in the thread's arena. Closing it rewinds the
/// arena, releasing the sample's memory and messages at once. Scopes nest (a ray traced from
/// inside a sample opens one for its hit) and must close in reverse order.
class SampleScope {
  public:
    SampleScope(ThreadContext& thread, ShaderGlobals& sg, const World* world = nullptr,
                int rayDepth = 0, SampleOrigin origin = {});
    ~SampleScope() { thread_.arena.rewind(mark_); }
    SampleScope(const SampleScope&) = delete;
    SampleScope& operator=(const SampleScope&) = delete;

  private:
    ThreadContext& thread_;
    SampleArena::Mark mark_;
    HostSample sample_;
};

/// Where `sg` is, for a report: its pixel and camera sample when a render shades it; nothing
/// known otherwise.
Where whereOf(const ShaderGlobals* sg);

/// A ShaderGlobals with every field zeroed, the shading normal +Z and no host state.
ShaderGlobals blankShaderGlobals();

}  // namespace host
