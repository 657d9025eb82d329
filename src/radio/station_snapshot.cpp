#include "radio/station_snapshot.h"

#include "radio/tuned_slots.h"

static_assert(kStationFrequency.type == kTypeInt, "frequencies are read as integers");

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
