// The parameters of orv_trace. Their declaration order is the node's interface: evaluation reads
// each one back by the index it was declared at.
#pragma once

#include "plugin/parameter_table.h"
#include "plugin/renderer.h"

constexpr ParamTableEntry kTraceParams[] = {
    intParam("rayType", 0)
        .once()
        .named("0 probe, 1 traced (ray type 4), 2 traced (ray type 8), 3 environment",
               "casts nothing and gives onNoHitColor"),
    boolParam("onHitOverride", false).once(),    ///< traced rays: a hit gives onHitColor
    rgbParam("onHitColor", 0.0f, 1.0f, 0.0f),    ///< read per sample, as the other colours
    boolParam("onNoHitOverride", false).once(),  ///< traced rays: a miss gives onNoHitColor
    rgbParam("onNoHitColor", 1.0f, 0.0f, 0.0f),
    intParam("origin", 0)
        .once()
        .named("0 shading point, 1 customOrigin", "takes the shading point, as 0 does"),
    vectorParam("customOrigin", 0.0f, 0.0f, 0.0f),
    intParam("direction", 0)
        .once()
        .named("0 incoming, 1 mirror, 2 refraction, 3 customDirection",
               "takes the incoming direction, as 0 does"),
    vectorParam("customDirection", 0.0f, 0.0f, 0.0f),  ///< normalised
    floatParam("ior", 1.0f),                           ///< of the side refracted into
    boolParam("glossy", false).once(),
    intParam("samples", 4).once(),  ///< also sizes the sampler at every update
    // The family test reads it once per update; a family reads it again at every sample.
    floatParam("spread", 0.1f).once(),  ///< cone half-angle, 1 = 90 degrees
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
