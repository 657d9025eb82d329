#include "radio/station_data.h"

#include <new>

StationData* createStationData(Node* node) {
    StationData* data = new StationData;
    AiNodeSetLocalData(node, data);
    AiCritSecInit(&data->lock);
    return data;
}

void destroyStationData(StationData* data) {
    if (!data) return;
    AiCritSecClose(&data->lock);
    delete[] data->channelTables;
    delete data;
}

void runStationSetup(StationData& data, ShaderGlobals* sg, const Node* node) {
    AiCritSecEnter(&data.lock);
    if (data.setUp.load(std::memory_order_acquire) == 0) {
        StationSnapshot frequencies;
        frequencies.readFrequencies(sg, node);
        // A frequency network may trace a ray that is shaded through this station again on this
        // thread. The lock is recursive, so that nested evaluation has run the set-up to the end
        // and other threads may already be reading it: leave it as it is.
        if (data.setUp.load(std::memory_order_acquire) == 0) {
            const int threads = AiNodeGetInt(AiUniverseGetOptions(), "threads");
            data.frequencies = frequencies;
            data.threadCount = threads;
            if (!data.channelTables)
                data.channelTables = new (std::nothrow) ThreadChannels[kThreadTableCount];
            data.setUp.store(1, std::memory_order_release);
        }
    }
    AiCritSecLeave(&data.lock);
}
