// RouteToChannels: writing one sample's slot values onto the ten channel records.
#pragma once

#include "radio/channel_names.h"
#include "radio/channel_record.h"
#include "radio/station_snapshot.h"
#include "radio/tuned_slots.h"

/// For each tuned slot, in the order of `tuned` (slot i = 0 .. 9, and kind in the order colour,
/// scalar, integer, boolean, vector): when the slot's frequency f is 1 .. 10, sets that kind on
/// `records[f - 1]` to the slot's value in `values`. A later write wins, so of two slots of one
/// kind on one channel the higher numbered one is carried. Frequencies of 0 and below are off;
/// above 10 they address no channel and the value is dropped. No flag is ever cleared, and nothing
/// but the ten records changes. Every pointer must be valid.
void RouteToChannels(ChannelRecord* const (&records)[kChannelCount], const TunedSlots& tuned,
                     const StationSnapshot& values);
