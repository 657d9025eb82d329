#include "radio/station_slots.h"

#include <sstream>

namespace orv {

void declareStationSlots(ParamList* params) {
    // Runs once per node type, so the stream's allocations are of no concern. The renderer
    // copies each name as it is declared.
    std::ostringstream name;
    for (const StationSlotKind& kind : kStationSlotKinds) {
        for (int i = 0; i < kStationSlots; ++i) {
            name.str("");
            name << kind.plural << i;
            declareParam(params, kind.value, name.str().c_str());
        }
        for (int i = 0; i < kStationSlots; ++i) {
            name.str("");
            name << kind.singular << i << "Freq";
            declareParam(params, kStationFrequency, name.str().c_str());
        }
    }
}

namespace station_slots_detail {
int slotKindNotInTable() {
    return -1;
}
}  // namespace station_slots_detail

void StationSnapshot::readFrequencies(ShaderGlobals* sg, const Node* node) {
    for (int i = 0; i < kStationSlots; ++i) {
        colorFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kColors, i));
        scalarFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kScalars, i));
        integerFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kIntegers, i));
        booleanFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kBooleans, i));
        vectorFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kVectors, i));
    }
}

void StationSnapshot::readValues(ShaderGlobals* sg, const Node* node, const TunedSlots& tuned) {
    for (int t = 0; t < tuned.count; ++t) {
        const TunedSlot& s = tuned.slots[t];
        switch (s.kind) {
            case kColors:
                colors[s.slot] = AiShaderEvalParamFuncRGBA(sg, node, s.param);
                break;
            case kScalars:
                scalars[s.slot] = AiShaderEvalParamFuncFlt(sg, node, s.param);
                break;
            case kIntegers:
                integers[s.slot] = AiShaderEvalParamFuncInt(sg, node, s.param);
                break;
            case kBooleans:
                booleans[s.slot] = AiShaderEvalParamFuncBool(sg, node, s.param) ? 1 : 0;
                break;
            default:
                vectors[s.slot] = AiShaderEvalParamFuncVec(sg, node, s.param);
                break;
        }
    }
}

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

}  // namespace orv
