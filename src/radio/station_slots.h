// The station's fifty broadcast slots: their parameters, one reading of them (StationSnapshot),
// the slots a set-up finds tuned (TunedSlots), and the routing of one sample's values onto the
// ten channel records (RouteToChannels).
#pragma once

#include <cstdint>
#include <string_view>

#include "plugin/parameter_table.h"
#include "plugin/renderer.h"
#include "radio/channel_record.h"

namespace orv {

/// Slots per kind of broadcast value.
constexpr int kStationSlots = 10;

/// One kind of broadcast value. Its value parameters are named plural + slot ("colors3"), its
/// frequencies singular + slot + "Freq" ("color3Freq").
struct StationSlotKind {
    const char* plural;
    const char* singular;
    ParamTableEntry value;  ///< type and default of the value parameters; the name is unused
};

/// In declaration order. A frequency is an integer, 0 (off) by default, 1 to 10 a channel, read
/// once per update.
constexpr StationSlotKind kStationSlotKinds[] = {
    {"colors", "color",
     rgbaParam(nullptr, 1.0f, 1.0f, 1.0f, 1.0f)
         .help("a colour broadcast to the color receivers on the channel of its frequency")},
    {"scalars", "scalar",
     floatParam(nullptr, 0.0f)
         .help("a float broadcast to the scalar receivers on the channel of its frequency")},
    {"integers", "integer",
     intParam(nullptr, 0)
         .help("an integer broadcast to the integer receivers on the channel of its frequency")},
    {"booleans", "boolean",
     boolParam(nullptr, false)
         .help("a boolean broadcast to the boolean receivers on the channel of its frequency")},
    {"vectors", "vector",
     vectorParam(nullptr, 0.0f, 0.0f, 0.0f)
         .help("a vector broadcast to the vector receivers on the channel of its frequency")},
};
constexpr ParamTableEntry kStationFrequency =
    intParam(nullptr, 0)
        .once()
        .range(0.0f, 10.0f,
               "above 10 the slot's value is evaluated but broadcast on no channel; below 0 the "
               "slot is off, as at 0")
        .help(
            "the channel, 1 to 10, the value of the same kind and number is broadcast on; 0 "
            "off");
static_assert(kStationFrequency.type == kTypeInt, "frequencies are read as integers");
constexpr int kStationKindCount = sizeof(kStationSlotKinds) / sizeof(kStationSlotKinds[0]);

namespace station_slots_detail {
// Not constexpr: reaching it while stationSlotKind runs at compile time stops the build.
int slotKindNotInTable();
}  // namespace station_slots_detail

/// The row of the kind whose value parameters are named `plural` and declared with `type`. For
/// constexpr constants: an unknown name or another type does not build.
constexpr int stationSlotKind(std::string_view plural, uint8_t type) {
    for (int k = 0; k < kStationKindCount; ++k)
        if (plural == kStationSlotKinds[k].plural && type == kStationSlotKinds[k].value.type)
            return k;
    return station_slots_detail::slotKindNotInTable();
}

// Each kind's row, found by name and by the type the snapshot's fields hold.
constexpr int kColors = stationSlotKind("colors", kTypeRGBA);
constexpr int kScalars = stationSlotKind("scalars", kTypeFloat);
constexpr int kIntegers = stationSlotKind("integers", kTypeInt);
constexpr int kBooleans = stationSlotKind("booleans", kTypeBoolean);
constexpr int kVectors = stationSlotKind("vectors", kTypeVector);

/// Slot `slot` of kind row `kind`: its value, and ten indices later its frequency. The slots
/// follow the station's input, `color`, at index 0: per kind ten values, then ten frequencies.
constexpr int stationValueParam(int kind, int slot) {
    return 1 + 2 * kStationSlots * kind + slot;
}
constexpr int stationFreqParam(int kind, int slot) {
    return stationValueParam(kind, slot) + kStationSlots;
}
constexpr int kStationParamCount = 1 + 2 * kStationSlots * kStationKindCount;
static_assert(kStationParamCount == 101 && stationFreqParam(kStationKindCount - 1, 9) == 100,
              "color and fifty slots of value and frequency");

/// Declares, after the station's input, per kind its ten values and its ten frequencies, in
/// index order.
void declareStationSlots(ParamList* params);

struct TunedSlots;

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

/// One slot whose frequency is above 0: its kind row, slot number and value parameter, and the
/// channel its value goes to, or -1 for a frequency above 10, which addresses none.
struct TunedSlot {
    uint8_t kind;
    uint8_t slot;
    uint8_t param;
    int8_t channel;
};

/// The slots a station's set-up found tuned, listed once so that a sample visits only those
/// rather than testing all fifty frequencies twice; in the order the station reads and routes
/// them: slot 0 of each kind (colour, scalar, integer, boolean, vector), then slot 1, and so on.
struct TunedSlots {
    int count = 0;
    TunedSlot slots[kStationSlots * kStationKindCount];

    /// The tuned slots of a set-up reading's frequencies.
    static TunedSlots of(const StationSnapshot& setup);
};

/// For each tuned slot, in the order of `tuned` (slot i = 0 .. 9, and kind in the order colour,
/// scalar, integer, boolean, vector): when the slot's frequency f is 1 .. 10, sets that kind on
/// `records[f - 1]` to the slot's value in `values`. A later write wins, so of two slots of one
/// kind on one channel the higher numbered one is carried. Frequencies of 0 and below are off;
/// above 10 they address no channel and the value is dropped. No flag is ever cleared, and nothing
/// but the ten records changes. Every pointer must be valid.
void RouteToChannels(ChannelRecord* const (&records)[kChannelCount], const TunedSlots& tuned,
                     const StationSnapshot& values);

}  // namespace orv
