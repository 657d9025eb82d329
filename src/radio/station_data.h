// StationData: one station instance's local data and its once-per-update set-up.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/renderer.h"
#include "radio/channel_names.h"
#include "radio/channel_record.h"
#include "radio/station_snapshot.h"

/// One render thread's table: the records, by channel, of the sample it is shading through the
/// station. Written only by its own thread, once per evaluation, so each table fills whole
/// cache lines of its own.
struct alignas(64) ThreadChannels {
    ChannelRecord* records[kChannelCount];
};

/// Tables are kept for every value a thread index byte can take, whatever the "threads" option
/// says (it may be 0 or negative, leaving the count to the renderer, or lower than the threads
/// that actually run). That also makes their size independent of the set-up, so they are made
/// once, by the first set-up, reused by every later one, and released only by finish: a set-up
/// never frees anything another thread could still be reading.
constexpr int kThreadTableCount = 256;
static_assert(kThreadTableCount > UINT8_MAX, "every threadIndex has a table");

struct StationData {
    /// 1 once the set-up is complete; update clears it. Released by the set-up, acquired by
    /// every evaluation, so that a thread that sees 1 sees the fields below complete.
    std::atomic<uint8_t> setUp{0};
    /// The fifty frequencies of the last set-up; its value fields are never read.
    StationSnapshot frequencies;
    /// The "threads" option at the last set-up, as the scene gave it; 0 until the first.
    int32_t threadCount = 0;
    /// kThreadTableCount tables, indexed by ShaderGlobals::threadIndex; null until the first
    /// set-up. Owned; the records they point at belong to the renderer's per-sample memory.
    ThreadChannels* channelTables = nullptr;
    /// Guards the set-up only; evaluations never take it.
    CritSec lock = nullptr;
};

static_assert(sizeof(std::atomic<uint8_t>) == 1 && std::atomic<uint8_t>::is_always_lock_free,
              "the set-up flag is one lock-free byte");

/// A new StationData with its lock initialised, stored as `node`'s local data.
StationData* createStationData(Node* node);
/// Closes the lock and releases the tables (if any) and the data itself.
void destroyStationData(StationData* data);

/// Reads the frequencies and the "threads" option under the lock and makes the tables, unless
/// another evaluation has done so since the flag was last cleared. `sg` is the sample that
/// triggers it: frequency networks run for that sample, under the lock.
void runStationSetup(StationData& data, ShaderGlobals* sg, const Node* node);

/// The OneTimeSetup: free of locks once the set-up is done.
inline void ensureStationSetUp(StationData& data, ShaderGlobals* sg, const Node* node) {
    if (data.setUp.load(std::memory_order_acquire) == 1) return;
    runStationSetup(data, sg, node);
}
