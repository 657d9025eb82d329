// TraceData: one orv_trace instance's local data and its once-per-update set-up.
#pragma once

#include <cstdint>

#include "plugin/one_time_setup.h"
#include "plugin/renderer.h"

/// rayType values.
enum TraceRayType : int32_t {
    kTraceProbe = 0,
    kTraceReflected = 1,
    kTraceRefracted = 2,
    kTraceEnvironment = 3,
};

struct TraceData {
    /// Set once the set-up has run since the last initialize or update; update clears it.
    SetupFlag ready{0};
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

/// The mode settings as one set-up reads them, before any of it is stored.
struct TraceSettings {
    int32_t rayType;
    bool onHitOverride;
    bool onNoHitOverride;
    int32_t origin;
    int32_t direction;
    bool glossy;  ///< already cleared when the family test failed
};

/// A new TraceData with its lock initialised, stored as `node`'s local data; null (and null
/// local data) when there is no memory for it. No sampler yet.
TraceData* createTraceData(Node* node);
/// Releases the sampler (if any), closes the lock and frees the data.
void destroyTraceData(TraceData* data);
/// Rebuilds the sampler from `node`'s stored `samples` and invalidates the set-up.
void refreshTraceData(TraceData& data, const Node* node);

/// Evaluates, for the sample `sg`, rayType, onHitOverride, onNoHitOverride, origin, direction
/// and glossy, in that order, then the family test: samples, and spread only when samples
/// passed, only when glossy is set.
TraceSettings readTraceSettings(ShaderGlobals* sg, const Node* node);
/// Stores the settings and looks up the "environment" of the object `sg` shades.
void applyTraceSettings(TraceData& data, const TraceSettings& settings, const ShaderGlobals* sg);

/// The one-time set-up: the settings of the sample that triggers it, read under the lock; free
/// of locks once done.
inline void ensureTraceSetUp(TraceData& data, ShaderGlobals* sg, const Node* node) {
    OneTimeSetup(
        data.ready, data.lock, [&] { return readTraceSettings(sg, node); },
        [&](const TraceSettings& settings) { applyTraceSettings(data, settings, sg); });
}
