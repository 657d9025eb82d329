#include "radio/tuned_slots.h"

#include "radio/channel_names.h"

TunedSlots TunedSlots::of(const StationSnapshot& setup) {
    TunedSlots tuned;
    for (int i = 0; i < kStationSlots; ++i) {
        int32_t frequencies[kStationKindCount];
        frequencies[kColors] = setup.colorFreqs[i];
        frequencies[kScalars] = setup.scalarFreqs[i];
        frequencies[kIntegers] = setup.integerFreqs[i];
        frequencies[kBooleans] = setup.booleanFreqs[i];
        frequencies[kVectors] = setup.vectorFreqs[i];
        for (int kind = 0; kind < kStationKindCount; ++kind) {
            const int32_t f = frequencies[kind];
            if (f <= 0) continue;
            const int channel = isChannelFrequency(f) ? f - 1 : -1;
            tuned.slots[tuned.count++] = TunedSlot{
                static_cast<uint8_t>(kind), static_cast<uint8_t>(i),
                static_cast<uint8_t>(stationValueParam(kind, i)), static_cast<int8_t>(channel)};
        }
    }
    return tuned;
}
