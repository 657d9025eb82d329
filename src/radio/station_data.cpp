#include "radio/station_data.h"

#include <new>

StationData* createStationData(Node* node) {
    StationData* data = new (std::nothrow) StationData;
    AiNodeSetLocalData(node, data);
    if (data) AiCritSecInit(&data->lock);
    return data;
}

void destroyStationData(StationData* data) {
    if (!data) return;
    AiCritSecClose(&data->lock);
    delete data;
}

StationSnapshot readStationSetup(ShaderGlobals* sg, const Node* node) {
    StationSnapshot frequencies;
    frequencies.readFrequencies(sg, node);
    // The set-up has always read the option after the frequencies; nothing is kept from it, as
    // no thread index selects anything of the station's any more.
    (void)AiNodeGetInt(AiUniverseGetOptions(), "threads");
    return frequencies;
}
