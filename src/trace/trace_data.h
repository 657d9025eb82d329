// TraceData: one orv_trace instance's local data and its once-per-update set-up.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/renderer.h"

/// rayType values.
enum TraceRayType : int32_t {
    kTraceProbe = 0,
    kTraceReflected = 1,
    kTraceRefracted = 2,
    kTraceEnvironment = 3,
};

struct TraceData {
    /// 1 once the set-up has run since the last initialize or update; update clears it.
    /// Released by the set-up and acquired by every evaluation, so that a thread that sees 1
    /// sees the settings below complete.
    std::atomic<uint8_t> ready{0};
    uint8_t onHitOverride = 0;
    uint8_t onNoHitOverride = 0;
    /// Cleared by the set-up when `samples` is below 1 or `spread` below 0.001.
    uint8_t glossy = 0;
    int32_t rayType = 0;
    int32_t origin = 0;
    int32_t direction = 0;
    /// What rayType 3 evaluates: the "environment" user parameter of the object shaded first
    /// after the last update; null when that object had none.
    Node* environment = nullptr;
    /// Made by update from the stored `samples`; shared read-only by all threads. Owned.
    Sampler* sampler = nullptr;
    /// Guards the set-up only; evaluations never take it.
    CritSec lock = nullptr;
};

static_assert(sizeof(std::atomic<uint8_t>) == 1 && std::atomic<uint8_t>::is_always_lock_free,
              "the set-up flag is one lock-free byte");

/// A new TraceData with its lock initialised, stored as `node`'s local data. No sampler yet.
TraceData* createTraceData(Node* node);
/// Releases the sampler (if any), closes the lock and frees the data.
void destroyTraceData(TraceData* data);
/// Rebuilds the sampler from `node`'s stored `samples` and invalidates the set-up.
void refreshTraceData(TraceData& data, const Node* node);

/// Reads the six mode settings, runs the family test and looks up the environment, under the
/// lock, unless another evaluation has done so since the flag was last cleared. The settings
/// are those of `sg`, the sample that triggers it.
void runTraceSetup(TraceData& data, ShaderGlobals* sg, const Node* node);

/// The OneTimeSetup: free of locks once the set-up is done.
inline void ensureTraceSetUp(TraceData& data, ShaderGlobals* sg, const Node* node) {
    if (data.ready.load(std::memory_order_acquire) == 1) return;
    runTraceSetup(data, sg, node);
}
