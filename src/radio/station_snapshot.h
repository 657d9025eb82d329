// StationSnapshot: one reading of the station's fifty slots (values and frequencies).
#pragma once

#include <cstdint>

#include "plugin/renderer.h"
#include "radio/station_parameters.h"

struct TunedSlots;  // radio/tuned_slots.h

// Each kind's row, found by name and by the type the snapshot's fields hold.
constexpr int kColors = stationSlotKind("colors", kTypeRGBA);
constexpr int kScalars = stationSlotKind("scalars", kTypeFloat);
constexpr int kIntegers = stationSlotKind("integers", kTypeInt);
constexpr int kBooleans = stationSlotKind("booleans", kTypeBoolean);
constexpr int kVectors = stationSlotKind("vectors", kTypeVector);

/// Element i of a kind's value array and of its frequency array form slot i of that kind.
/// Creation sets nothing; each reading fills only its own fields and each user reads only
/// those: a set-up reading fills the frequencies, a per-sample reading the tuned values.
struct StationSnapshot {
    RGBA colors[kStationSlots];
    int32_t colorFreqs[kStationSlots];
    float scalars[kStationSlots];
    int32_t scalarFreqs[kStationSlots];
    int32_t integers[kStationSlots];
    int32_t integerFreqs[kStationSlots];
    uint8_t booleans[kStationSlots];  ///< 0 or 1
    int32_t booleanFreqs[kStationSlots];
    Vector vectors[kStationSlots];
    int32_t vectorFreqs[kStationSlots];

    /// Set-up reading: evaluates the fifty frequency parameters of `node` for `sg`, slot by
    /// slot (colour, scalar, integer, boolean, vector of slot 0, then of slot 1, ...), and no
    /// value parameter.
    void readFrequencies(ShaderGlobals* sg, const Node* node);
    /// Per-sample reading: evaluates, in the same order, the value of each slot in `tuned`
    /// (those whose set-up frequency is above 0); an untuned slot's network does not run.
    void readValues(ShaderGlobals* sg, const Node* node, const TunedSlots& tuned);
};
