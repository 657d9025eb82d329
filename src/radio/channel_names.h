// The ten channels: their message names and the numbering of channels by frequency.
#pragma once

constexpr int kChannelCount = 10;

/// Message names of channels 0 .. 9, "CF0" .. "CF9". Static text, so the renderer's message
/// store may keep the pointers for the whole sample.
extern const char* const channelNames[kChannelCount];

/// Frequencies 1 .. 10 select channel frequency - 1; 0 means not tuned, and anything else
/// selects no channel either.
constexpr bool isChannelFrequency(int frequency) {
    return frequency >= 1 && frequency <= kChannelCount;
}

/// The message name for `frequency`, or null when it selects no channel.
inline const char* channelName(int frequency) {
    return isChannelFrequency(frequency) ? channelNames[frequency - 1] : nullptr;
}
