// The parameters of orv_trace. Their declaration order is the node's interface: evaluation reads
// each one back by the index it was declared at.
#pragma once

#include "plugin/parameter_table.h"
#include "plugin/renderer.h"

constexpr ParamTableEntry kTraceParams[] = {
    intParam("rayType", 0),  ///< 0 probe, 1 traced (code 4), 2 traced (code 8), 3 environment
    boolParam("onHitOverride", false),
    rgbParam("onHitColor", 0.0f, 1.0f, 0.0f),
    boolParam("onNoHitOverride", false),
    rgbParam("onNoHitColor", 1.0f, 0.0f, 0.0f),
    intParam("origin", 0),  ///< 1 customOrigin, anything else the shading point
    vectorParam("customOrigin", 0.0f, 0.0f, 0.0f),
    intParam("direction", 0),  ///< 0 incoming, 1 mirror, 2 refraction, 3 customDirection
    vectorParam("customDirection", 0.0f, 0.0f, 0.0f),
    floatParam("ior", 1.0f),
    boolParam("glossy", false),
    intParam("samples", 4),
    floatParam("spread", 0.1f),  ///< cone half-angle, 1 = 90 degrees
};

constexpr int kTraceRayType = paramIndex(kTraceParams, "rayType", kTypeInt);
constexpr int kTraceOnHitOverride = paramIndex(kTraceParams, "onHitOverride", kTypeBoolean);
constexpr int kTraceOnHitColor = paramIndex(kTraceParams, "onHitColor", kTypeRGB);
constexpr int kTraceOnNoHitOverride = paramIndex(kTraceParams, "onNoHitOverride", kTypeBoolean);
constexpr int kTraceOnNoHitColor = paramIndex(kTraceParams, "onNoHitColor", kTypeRGB);
constexpr int kTraceOrigin = paramIndex(kTraceParams, "origin", kTypeInt);
constexpr int kTraceCustomOrigin = paramIndex(kTraceParams, "customOrigin", kTypeVector);
constexpr int kTraceDirection = paramIndex(kTraceParams, "direction", kTypeInt);
constexpr int kTraceCustomDirection = paramIndex(kTraceParams, "customDirection", kTypeVector);
constexpr int kTraceIor = paramIndex(kTraceParams, "ior", kTypeFloat);
constexpr int kTraceGlossy = paramIndex(kTraceParams, "glossy", kTypeBoolean);
constexpr int kTraceSamples = paramIndex(kTraceParams, "samples", kTypeInt);
constexpr int kTraceSpread = paramIndex(kTraceParams, "spread", kTypeFloat);

/// Declares kTraceParams, in index order.
void declareTraceParameters(ParamList* params);
