// The central direction of orv_trace, by its `direction` setting.
#pragma once

#include "plugin/float3.h"

/// 0 the incoming ray direction; 1 its mirror image (the plain reflection about the alternate
/// normal for the environment ray type, else the guarded reflection about the shading normal);
/// 2 its refraction from index 1 into `ior`; 3 `customDirection` normalised (zero stays zero).
/// Any other setting takes the incoming direction, as 0 does.
Float3 chooseDirection(ShaderGlobals* sg, int32_t direction, int32_t rayType, float ior,
                       const Float3& customDirection);
