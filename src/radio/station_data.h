// StationData: one station instance's local data and its once-per-update set-up.
#pragma once

#include "plugin/one_time_setup.h"
#include "plugin/renderer.h"
#include "radio/station_snapshot.h"
#include "radio/tuned_slots.h"

/// Each evaluation keeps the ten records of its own sample on its stack (a nested evaluation of
/// the same station on the same thread, from a ray traced inside its input, would rewrite any
/// table kept here), so all the station keeps between samples is what its set-up read.
struct StationData {
    /// Set once the set-up is complete; update clears it.
    SetupFlag setUp{0};
    /// The slots the last set-up's frequencies tune, which are all a sample reads and routes.
    TunedSlots tuned;
    /// Guards the set-up only; evaluations never take it.
    CritSec lock = nullptr;
};

/// A new StationData with its lock initialised, stored as `node`'s local data; null (and null
/// local data) when there is no memory for it.
StationData* createStationData(Node* node);
/// Closes the lock and frees the data.
void destroyStationData(StationData* data);

/// The set-up's reads for the sample `sg`: the fifty frequencies (their networks run for that
/// sample), then the "threads" option.
StationSnapshot readStationSetup(ShaderGlobals* sg, const Node* node);

/// The one-time set-up, under the lock, for the sample that triggers it; free of locks once
/// done.
inline void ensureStationSetUp(StationData& data, ShaderGlobals* sg, const Node* node) {
    OneTimeSetup(
        data.setUp, data.lock, [&] { return readStationSetup(sg, node); },
        [&](const StationSnapshot& frequencies) { data.tuned = TunedSlots::of(frequencies); });
}
