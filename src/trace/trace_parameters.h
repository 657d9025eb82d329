// The parameters of orv_trace, by index. Their declaration order is the node's interface:
// evaluation reads each one back by the index it was declared at.
#pragma once

#include "plugin/renderer.h"

enum TraceParam : int {
    kTraceRayType = 0,  ///< int 0: 0 probe, 1 traced (code 4), 2 traced (code 8), 3 environment
    kTraceOnHitOverride = 1,    ///< bool false
    kTraceOnHitColor = 2,       ///< rgb (0, 1, 0)
    kTraceOnNoHitOverride = 3,  ///< bool false
    kTraceOnNoHitColor = 4,     ///< rgb (1, 0, 0)
    kTraceOrigin = 5,           ///< int 0: 1 customOrigin, anything else the shading point
    kTraceCustomOrigin = 6,     ///< vector (0, 0, 0)
    kTraceDirection = 7,        ///< int 0: 0 incoming, 1 mirror, 2 refraction, 3 customDirection
    kTraceCustomDirection = 8,  ///< vector (0, 0, 0)
    kTraceIor = 9,              ///< float 1
    kTraceGlossy = 10,          ///< bool false
    kTraceSamples = 11,         ///< int 4
    kTraceSpread = 12,          ///< float 0.1: cone half-angle, 1 = 90 degrees
    kTraceParamCount = 13,
};

/// Declares the thirteen parameters, in index order.
void declareTraceParameters(ParamList* params);
