// orv_radio_station: passes its `color` input through and, while that input is evaluated,
// broadcasts its tuned slot values on the ten channels of the sample's message store.
#include <cstddef>
#include <new>
#include <type_traits>

#include "plugin/nodes.h"
#include "plugin/parameter_table.h"
#include "radio/channel_record.h"
#include "radio/station_slots.h"

namespace orv {
namespace {

/// `color`, the input the station passes through: index 0, before the slots.
constexpr ParamTableEntry kStationInput =
    rgbaParam("color", 1.0f, 1.0f, 1.0f, 1.0f)
        .help("the input passed through; the receivers in its network hear the broadcasts");
constexpr int kStationColorParam = 0;
static_assert(kStationInput.type == kTypeRGBA, "the station reads its input with alpha");
static_assert(stationValueParam(0, 0) == kStationColorParam + 1, "the slots follow `color`");

/// One station instance's local data. Each evaluation keeps the ten records of its own sample on
/// its stack (a nested evaluation of the same station on the same thread, from a ray traced
/// inside its input, would rewrite any table kept here), so all the station keeps between
/// samples is what its set-up read.
struct StationData {
    /// Set once the set-up is complete; update clears it.
    SetupFlag setUp{0};
    /// The slots the last set-up's frequencies tune, which are all a sample reads and routes.
    TunedSlots tuned;
    /// Guards the set-up only; evaluations never take it.
    CritSec lock = nullptr;
};
static_assert(std::is_standard_layout<StationData>::value && offsetof(StationData, setUp) == 0,
              "the local data begins with its set-up flag");

/// The set-up's reads for the sample `sg`: the fifty frequencies (their networks run for that
/// sample), then the "threads" option.
StationSnapshot readStationSetup(ShaderGlobals* sg, const Node* node) {
    StationSnapshot frequencies;
    frequencies.readFrequencies(sg, node);
    // The set-up has always read the option after the frequencies; nothing is kept from it, as
    // no thread index selects anything of the station's any more.
    (void)AiNodeGetInt(AiUniverseGetOptions(), "threads");
    return frequencies;
}

void parameters(ParamList* params, NodeEntry*) {
    declareParam(params, kStationInput);
    declareStationSlots(params);
}

void initialize(Node* node, void*) {
    // Without memory the node passes its input through and broadcasts nothing.
    StationData* data = new (std::nothrow) StationData;
    AiNodeSetLocalData(node, data);
    if (data) AiCritSecInit(&data->lock);
}

void update(Node* node, void*) {
    // Never called during an evaluation of the node, so no lock is needed; the next
    // evaluation repeats the set-up.
    if (auto* data = static_cast<StationData*>(AiNodeGetLocalData(node)))
        invalidateSetup(data->setUp);
}

void finish(Node* node) {
    auto* data = static_cast<StationData*>(AiNodeGetLocalData(node));
    if (data) {
        AiCritSecClose(&data->lock);
        delete data;
    }
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
    OneTimeSetup(
        data->setUp, data->lock, [&] { return readStationSetup(sg, node); },
        [&](const StationSnapshot& frequencies) { data->tuned = TunedSlots::of(frequencies); });
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

}  // namespace orv
