// orv_radio_station: passes its `color` input through and, while that input is evaluated,
// broadcasts its tuned slot values on the ten channels of the sample's message store.
#include <new>

#include "plugin/node_methods.h"
#include "radio/channel_names.h"
#include "radio/channel_record.h"
#include "radio/routing.h"
#include "radio/station_data.h"
#include "radio/station_parameters.h"
#include "radio/station_snapshot.h"

namespace {

void parameters(ParamList* params, NodeEntry*) {
    declareStationParameters(params);
}

void initialize(Node* node, void*) {
    createStationData(node);
}

void update(Node* node, void*) {
    // Never called during an evaluation of the node, so no lock is needed; the next
    // evaluation repeats the set-up.
    if (auto* data = static_cast<StationData*>(AiNodeGetLocalData(node)))
        invalidateSetup(data->setUp);
}

void finish(Node* node) {
    destroyStationData(static_cast<StationData*>(AiNodeGetLocalData(node)));
    AiNodeSetLocalData(node, nullptr);
}

/// Finds channel `c` in the sample, or allocates, clears and publishes its record. A sample
/// without per-sample memory gets `orphan`, which nobody else can see.
ChannelRecord* publishIfAbsent(ShaderGlobals* sg, int c, ChannelRecord* orphan) {
    void* found = nullptr;
    if (AiMessageGetPtrFunc(sg, channelNames[c], &found) && found)
        return static_cast<ChannelRecord*>(found);
    void* memory = AiShaderGlobalsQuickAlloc(sg, sizeof(ChannelRecord));
    if (!memory) return orphan;
    ChannelRecord* record = new (memory) ChannelRecord;  // constructed clear
    AiMessageSetPtrFunc(sg, channelNames[c], record);
    return record;
}

void evaluate(Node* node, ShaderGlobals* sg) {
    auto* data = static_cast<StationData*>(AiNodeGetLocalData(node));
    // Never initialised, or no memory for it: pass the input through and broadcast nothing.
    if (!data) {
        sg->out.rgba = AiShaderEvalParamFuncRGBA(sg, node, kStationColorParam);
        return;
    }
    ensureStationSetUp(*data, sg, node);
    const TunedSlots& tuned = data->tuned;

    // This evaluation's records, held on the stack until it has restored them: a ray traced
    // from inside the input may shade another sample through this station on this thread, so
    // nothing kept per thread could stand for them.
    ChannelRecord orphan;
    ChannelRecord* records[kChannelCount];
    for (int c = 0; c < kChannelCount; ++c) records[c] = publishIfAbsent(sg, c, &orphan);

    // Slot networks see the channels as they are before this station routes.
    StationSnapshot values;
    values.readValues(sg, node, tuned);

    ChannelRecord saved[kChannelCount];  // constructed clear: a lost channel restores clear
    for (int c = 0; c < kChannelCount; ++c) {
        void* found = nullptr;
        if (AiMessageGetPtrFunc(sg, channelNames[c], &found) && found)
            saved[c] = *static_cast<const ChannelRecord*>(found);
    }

    RouteToChannels(records, tuned, values);
    // Registered as RGB, but the slot holds an RGBA and the alpha travels with it.
    sg->out.rgba = AiShaderEvalParamFuncRGBA(sg, node, kStationColorParam);
    for (int c = 0; c < kChannelCount; ++c) *records[c] = saved[c];
}

const CommonNodeMethods kCommon = {parameters, initialize, update, finish};
const ShaderNodeMethods kShader = {evaluate};

}  // namespace

const NodeMethods kRadioStationMethods = {&kCommon, &kShader};
