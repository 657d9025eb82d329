// TunedSlots: the slots a station's set-up found tuned, listed once so that a sample visits
// only those rather than testing all fifty frequencies twice.
#pragma once

#include <cstdint>

#include "radio/station_parameters.h"
#include "radio/station_snapshot.h"

/// One slot whose frequency is above 0: its kind row, slot number and value parameter, and the
/// channel its value goes to, or -1 for a frequency above 10, which addresses none.
struct TunedSlot {
    uint8_t kind;
    uint8_t slot;
    uint8_t param;
    int8_t channel;
};

/// The tuned slots in the order the station reads and routes them: slot 0 of each kind
/// (colour, scalar, integer, boolean, vector), then slot 1, and so on.
struct TunedSlots {
    int count = 0;
    TunedSlot slots[kStationSlots * kStationKindCount];

    /// The tuned slots of a set-up reading's frequencies.
    static TunedSlots of(const StationSnapshot& setup);
};
