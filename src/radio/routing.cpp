#include "radio/routing.h"

void RouteToChannels(ChannelRecord* const (&records)[kChannelCount], const TunedSlots& tuned,
                     const StationSnapshot& values) {
    for (int t = 0; t < tuned.count; ++t) {
        const TunedSlot& s = tuned.slots[t];
        if (s.channel < 0) continue;
        ChannelRecord& record = *records[s.channel];
        switch (s.kind) {
            case kColors:
                record.setColor(values.colors[s.slot]);
                break;
            case kScalars:
                record.setScalar(values.scalars[s.slot]);
                break;
            case kIntegers:
                record.setInteger(values.integers[s.slot]);
                break;
            case kBooleans:
                record.setBoolean(values.booleans[s.slot] != 0);
                break;
            default:
                record.setVector(values.vectors[s.slot]);
                break;
        }
    }
}
