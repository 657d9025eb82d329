// The radio's channels: the record one channel carries through a sample's message store, the
// ten channels' message names, and the numbering of channels by frequency.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/renderer.h"

namespace orv {

/// Channels a sample can carry.
constexpr int kChannelCount = 10;

/// Message names of channels 0 .. 9, "CF0" .. "CF9". Static text, so the renderer's message
/// store may keep the pointers for the whole sample.
inline constexpr const char* channelNames[kChannelCount] = {"CF0", "CF1", "CF2", "CF3", "CF4",
                                                            "CF5", "CF6", "CF7", "CF8", "CF9"};

/// Frequencies 1 .. 10 select channel frequency - 1; 0 means not tuned, and anything else
/// selects no channel either.
constexpr bool isChannelFrequency(int frequency) {
    return frequency >= 1 && frequency <= kChannelCount;
}

/// The message name for `frequency`, or null when it selects no channel.
inline const char* channelName(int frequency) {
    return isChannelFrequency(frequency) ? channelNames[frequency - 1] : nullptr;
}

/// One value of each of five kinds, each with its own presence flag. Stations write records,
/// receivers only read them. The byte layout is shared by every station and receiver and is
/// relied on by whole-record copies, so it is pinned below.
///
/// A flag is written as 0 or 1; readers take any nonzero byte as set. A value field means
/// something only while its flag is set; construction and `clear` leave value fields as they
/// are (indeterminate in fresh memory). Kinds are independent: a setter touches only its own
/// flag and field. A record belongs to one sample, hence to one thread: no atomics.
struct ChannelRecord {
    uint8_t hasColor;
    RGBA color;
    uint8_t hasScalar;
    float scalar;
    uint8_t hasInteger;
    int32_t integer;
    uint8_t hasBoolean;
    uint8_t boolean;  ///< 0 = false, 1 = true
    uint8_t hasVector;
    Vector vector;

    ChannelRecord() { clear(); }

    /// Withdraws all five kinds; the value fields keep their bytes.
    void clear() {
        hasColor = 0;
        hasScalar = 0;
        hasInteger = 0;
        hasBoolean = 0;
        hasVector = 0;
    }
    void setColor(const RGBA& value) {
        hasColor = 1;
        color = value;
    }
    void setScalar(float value) {
        hasScalar = 1;
        scalar = value;
    }
    void setInteger(int32_t value) {
        hasInteger = 1;
        integer = value;
    }
    void setBoolean(bool value) {
        hasBoolean = 1;
        boolean = value ? 1 : 0;
    }
    void setVector(const Vector& value) {
        hasVector = 1;
        vector = value;
    }
};

static_assert(sizeof(ChannelRecord) == 52, "a channel record is 52 bytes");
static_assert(alignof(ChannelRecord) == 4, "a channel record is 4-byte aligned");
static_assert(sizeof(RGBA) == 16 && sizeof(Vector) == 12, "renderer value types are packed floats");
static_assert(offsetof(ChannelRecord, hasColor) == 0, "hasColor at byte 0");
static_assert(offsetof(ChannelRecord, color) == 4, "color at bytes 4-19");
static_assert(offsetof(ChannelRecord, hasScalar) == 20, "hasScalar at byte 20");
static_assert(offsetof(ChannelRecord, scalar) == 24, "scalar at bytes 24-27");
static_assert(offsetof(ChannelRecord, hasInteger) == 28, "hasInteger at byte 28");
static_assert(offsetof(ChannelRecord, integer) == 32, "integer at bytes 32-35");
static_assert(offsetof(ChannelRecord, hasBoolean) == 36, "hasBoolean at byte 36");
static_assert(offsetof(ChannelRecord, boolean) == 37, "boolean at byte 37");
static_assert(offsetof(ChannelRecord, hasVector) == 38, "hasVector at byte 38");
static_assert(offsetof(ChannelRecord, vector) == 40, "vector at bytes 40-51");

}  // namespace orv
