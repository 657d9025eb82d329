// The blocker's parameters: their declaration order and one snapshot of their values.
#pragma once

#include <cstdint>

#include "plugin/float3.h"
#include "plugin/renderer.h"

/// Parameter indices, in declaration order: part of the node's interface.
enum BlockerParam : int {
    kParamMute = 0,
    kParamFilter = 1,
    kParamType = 2,
    kParamScale = 3,
    kParamRot = 4,
    kParamTransl = 5,
    kParamPositive = 6,
    kParamExtraScale = 7,
    kParamDecayPower = 8,
};

/// One snapshot of the parameters, on the evaluating thread's stack. Only the fields that
/// readBlockerParams filled hold values.
struct BlockerParams {
    bool mute;
    Float3 bFilter;  ///< colour
    int32_t bType;   ///< BlockerKind; other values are all of space
    Float3 bScale;
    Float3 bRot;  ///< degrees about local X, Y, Z
    Float3 bTransl;
    bool bPositive;
    float bExtraScale;
    int32_t bDecayPower;  ///< 0 no ramp, 1 (or below) linear, 2 and up an s-curve
};

/// Declares the nine parameters with their defaults.
void declareBlockerParams(ParamList* params);

/// once: mute, and unless it is set bType, bScale, bRot, bTransl, bPositive, bExtraScale and
/// bDecayPower, evaluated in that order. Otherwise bFilter alone. Nothing else is evaluated.
void readBlockerParams(const Node* node, ShaderGlobals* sg, bool once, BlockerParams* params);
