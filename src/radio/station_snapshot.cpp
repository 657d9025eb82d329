#include "radio/station_snapshot.h"

namespace {

// Each kind's row, found by name and by the type its reads below use.
constexpr int kColors = stationSlotKind("colors", kTypeRGBA);
constexpr int kScalars = stationSlotKind("scalars", kTypeFloat);
constexpr int kIntegers = stationSlotKind("integers", kTypeInt);
constexpr int kBooleans = stationSlotKind("booleans", kTypeBoolean);
constexpr int kVectors = stationSlotKind("vectors", kTypeVector);
static_assert(kStationFrequency.type == kTypeInt, "frequencies are read as integers");

}  // namespace

void StationSnapshot::readFrequencies(ShaderGlobals* sg, const Node* node) {
    for (int i = 0; i < kStationSlots; ++i) {
        colorFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kColors, i));
        scalarFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kScalars, i));
        integerFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kIntegers, i));
        booleanFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kBooleans, i));
        vectorFreqs[i] = AiShaderEvalParamFuncInt(sg, node, stationFreqParam(kVectors, i));
    }
}

void StationSnapshot::readValues(ShaderGlobals* sg, const Node* node,
                                 const StationSnapshot& setup) {
    for (int i = 0; i < kStationSlots; ++i) {
        if (setup.colorFreqs[i] > 0)
            colors[i] = AiShaderEvalParamFuncRGBA(sg, node, stationValueParam(kColors, i));
        if (setup.scalarFreqs[i] > 0)
            scalars[i] = AiShaderEvalParamFuncFlt(sg, node, stationValueParam(kScalars, i));
        if (setup.integerFreqs[i] > 0)
            integers[i] = AiShaderEvalParamFuncInt(sg, node, stationValueParam(kIntegers, i));
        if (setup.booleanFreqs[i] > 0)
            booleans[i] =
                AiShaderEvalParamFuncBool(sg, node, stationValueParam(kBooleans, i)) ? 1 : 0;
        if (setup.vectorFreqs[i] > 0)
            vectors[i] = AiShaderEvalParamFuncVec(sg, node, stationValueParam(kVectors, i));
    }
}
