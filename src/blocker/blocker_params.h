// The blocker's parameters: their declaration order and one snapshot of their values.
#pragma once

#include <cstdint>

#include "plugin/float3.h"
#include "plugin/parameter_table.h"
#include "plugin/renderer.h"

/// The parameters in declaration order, which is part of the node's interface: the index of a
/// row is the index evaluation reads it back by.
constexpr ParamTableEntry kBlockerParams[] = {
    boolParam("mute", false).once(),
    rgbParam("bFilter", 0.0f, 0.0f, 0.0f),
    intParam("bType", 0)
        .once()
        .named("0 card, 1 sphere, 2 box, 3 cylinder",
               "every point is inside both shapes: with bPositive the light is filtered "
               "everywhere, without it the light passes everywhere"),
    vectorParam("bScale", 1.0f, 1.0f, 1.0f).once(),
    vectorParam("bRot", 0.0f, 0.0f, 0.0f).once(),
    vectorParam("bTransl", 0.0f, 0.0f, 0.0f).once(),
    boolParam("bPositive", true).once(),
    floatParam("bExtraScale", 1.0f).once(),
    intParam("bDecayPower", 1).once().range(0.0f, kNoLimit, "takes the linear ramp, as 1 does"),
};

constexpr int kParamMute = paramIndex(kBlockerParams, "mute", kTypeBoolean);
constexpr int kParamFilter = paramIndex(kBlockerParams, "bFilter", kTypeRGB);
constexpr int kParamType = paramIndex(kBlockerParams, "bType", kTypeInt);
constexpr int kParamScale = paramIndex(kBlockerParams, "bScale", kTypeVector);
constexpr int kParamRot = paramIndex(kBlockerParams, "bRot", kTypeVector);
constexpr int kParamTransl = paramIndex(kBlockerParams, "bTransl", kTypeVector);
constexpr int kParamPositive = paramIndex(kBlockerParams, "bPositive", kTypeBoolean);
constexpr int kParamExtraScale = paramIndex(kBlockerParams, "bExtraScale", kTypeFloat);
constexpr int kParamDecayPower = paramIndex(kBlockerParams, "bDecayPower", kTypeInt);

/// The parameters the set-up reads, on the evaluating thread's stack; after a mute, only `mute`
/// holds a value. bFilter is read apart, at every sample (readBlockerFilter).
struct BlockerParams {
    bool mute;
    int32_t bType;  ///< BlockerKind; other values are all of space
    Float3 bScale;
    Float3 bRot;  ///< degrees about local X, Y, Z
    Float3 bTransl;
    bool bPositive;
    float bExtraScale;
    int32_t bDecayPower;  ///< 0 no ramp, 1 (or below) linear, 2 and up an s-curve
};

/// Declares kBlockerParams.
void declareBlockerParams(ParamList* params);

/// bFilter, the one parameter read at every sample.
inline Float3 readBlockerFilter(const Node* node, ShaderGlobals* sg) {
    return Float3(AiShaderEvalParamFuncRGB(sg, node, kParamFilter));
}

/// The set-up's reads: mute, and unless it is set bType, bScale, bRot, bTransl, bPositive,
/// bExtraScale and bDecayPower, evaluated in that order. Nothing else is evaluated.
void readBlockerSetupParams(const Node* node, ShaderGlobals* sg, BlockerParams* params);
