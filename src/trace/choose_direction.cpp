#include "trace/choose_direction.h"

#include "trace/trace_data.h"

Float3 chooseDirection(ShaderGlobals* sg, int32_t direction, int32_t rayType, float ior,
                       const Float3& customDirection) {
    Vector out = sg->rayDirection;
    switch (direction) {
        case 1:
            if (rayType == kTraceEnvironment)
                AiReflect(&sg->rayDirection, &sg->alternateNormal, &out);
            else
                AiReflectSafe(&sg->rayDirection, &sg->normal, &sg->geometricNormal, &out);
            break;
        case 2:
            AiRefract(&sg->rayDirection, &sg->normal, &out, 1.0f, ior);
            break;
        case 3:
            return normalized(customDirection);
        default:
            break;
    }
    return Float3(out);
}
