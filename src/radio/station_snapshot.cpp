#include "radio/station_snapshot.h"

void StationSnapshot::readFrequencies(ShaderGlobals* sg, const Node* node) {
    for (int i = 0; i < kStationSlots; ++i) {
        colorFreqs[i] = AiShaderEvalParamFuncInt(sg, node, colorFreqParam(i));
        scalarFreqs[i] = AiShaderEvalParamFuncInt(sg, node, scalarFreqParam(i));
        integerFreqs[i] = AiShaderEvalParamFuncInt(sg, node, integerFreqParam(i));
        booleanFreqs[i] = AiShaderEvalParamFuncInt(sg, node, booleanFreqParam(i));
        vectorFreqs[i] = AiShaderEvalParamFuncInt(sg, node, vectorFreqParam(i));
    }
}

void StationSnapshot::readValues(ShaderGlobals* sg, const Node* node,
                                 const StationSnapshot& setup) {
    for (int i = 0; i < kStationSlots; ++i) {
        if (setup.colorFreqs[i] > 0)
            colors[i] = AiShaderEvalParamFuncRGBA(sg, node, colorValueParam(i));
        if (setup.scalarFreqs[i] > 0)
            scalars[i] = AiShaderEvalParamFuncFlt(sg, node, scalarValueParam(i));
        if (setup.integerFreqs[i] > 0)
            integers[i] = AiShaderEvalParamFuncInt(sg, node, integerValueParam(i));
        if (setup.booleanFreqs[i] > 0)
            booleans[i] = AiShaderEvalParamFuncBool(sg, node, booleanValueParam(i)) ? 1 : 0;
        if (setup.vectorFreqs[i] > 0)
            vectors[i] = AiShaderEvalParamFuncVec(sg, node, vectorValueParam(i));
    }
}
