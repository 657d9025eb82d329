#include "render/integrator.h"

#include <cmath>
#include <limits>

#include "tracing/tracer.h"

namespace host {

RGBA traceCameraSample(ThreadContext& thread, const World& world, const Camera& camera,
                       const SampleOrigin& origin, float x, float y) {
    ShaderGlobals sg = blankShaderGlobals();
    const Vector direction = cameraDirection(camera, x, y);
    sg.point = camera.position;
    sg.rayDirection = direction;
    // The camera is the root of the ray tree: its hit is shaded one level down, at depth 0.
    SampleScope scope(thread, sg, &world, -1, origin);
    const Ray ray = makeRay(kRayCamera, camera.position, direction,
                            std::numeric_limits<double>::infinity(), &sg);
    TraceResult result;
    traceRay(ray, result);
    RGBA color{result.color.r, result.color.g, result.color.b, result.alpha};
    // A shader's NaN or infinity would spread through the pixel filter; show it as black.
    if (!std::isfinite(color.a)) color.a = 1.0f;
    if (!std::isfinite(color.r + color.g + color.b)) color = RGBA{0, 0, 0, color.a};
    return color;
}

}  // namespace host
