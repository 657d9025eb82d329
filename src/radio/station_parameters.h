// The station's 101 parameters: `color`, then per kind of broadcast value ten value slots and ten
// frequencies. Their order is part of the node's interface (scenes and the station's own reads
// address them by index), and all of it follows from the tables below.
#pragma once

#include <string_view>

#include "plugin/parameter_table.h"
#include "plugin/renderer.h"

/// Slots per kind of broadcast value.
constexpr int kStationSlots = 10;

/// `color`, the input the station passes through: index 0.
constexpr ParamTableEntry kStationInput = rgbaParam("color", 1.0f, 1.0f, 1.0f, 1.0f);
constexpr int kStationColorParam = 0;
static_assert(kStationInput.type == kTypeRGBA, "the station reads its input with alpha");

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
    {"colors", "color", rgbaParam(nullptr, 1.0f, 1.0f, 1.0f, 1.0f)},
    {"scalars", "scalar", floatParam(nullptr, 0.0f)},
    {"integers", "integer", intParam(nullptr, 0)},
    {"booleans", "boolean", boolParam(nullptr, false)},
    {"vectors", "vector", vectorParam(nullptr, 0.0f, 0.0f, 0.0f)},
};
constexpr ParamTableEntry kStationFrequency =
    intParam(nullptr, 0)
        .once()
        .range(0.0f, 10.0f,
               "above 10 the slot's value is evaluated but broadcast on no channel; below 0 the "
               "slot is off, as at 0");
constexpr int kStationKindCount = sizeof(kStationSlotKinds) / sizeof(kStationSlotKinds[0]);

namespace station_parameters_detail {
// Not constexpr: reaching it while stationSlotKind runs at compile time stops the build.
int slotKindNotInTable();
}  // namespace station_parameters_detail

/// The row of the kind whose value parameters are named `plural` and declared with `type`. For
/// constexpr constants: an unknown name or another type does not build.
constexpr int stationSlotKind(std::string_view plural, uint8_t type) {
    for (int k = 0; k < kStationKindCount; ++k)
        if (plural == kStationSlotKinds[k].plural && type == kStationSlotKinds[k].value.type)
            return k;
    return station_parameters_detail::slotKindNotInTable();
}

/// Slot `slot` of kind row `kind`: its value, and ten indices later its frequency, as
/// declareStationParameters lays them out after `color`.
constexpr int stationValueParam(int kind, int slot) {
    return 1 + 2 * kStationSlots * kind + slot;
}
constexpr int stationFreqParam(int kind, int slot) {
    return stationValueParam(kind, slot) + kStationSlots;
}
constexpr int kStationParamCount = 1 + 2 * kStationSlots * kStationKindCount;
static_assert(kStationParamCount == 101 && stationFreqParam(kStationKindCount - 1, 9) == 100,
              "color and fifty slots of value and frequency");

/// Declares `color`, then per kind its ten values and its ten frequencies, in index order.
void declareStationParameters(ParamList* params);
