#include "render/camera_sample.h"

#include <cmath>
#include <limits>
#include <tuple>

#include "tracing/sample_channels.h"
#include "tracing/tracer.h"

namespace host {

namespace {

bool before(const SampleOrigin& a, const SampleOrigin& b) {
    return std::tie(a.pixelY, a.pixelX, a.sampleIndex) <
           std::tie(b.pixelY, b.pixelX, b.sampleIndex);
}

/// Out of line and cold: a render of finite colours never comes here.
[[gnu::noinline, gnu::cold]] RGBA blackForNonFinite(const RGBA& color, const SampleOrigin& origin,
                                                    NonFiniteSamples& nonFinite,
                                                    SampleChannels* channels) {
    nonFinite.add(origin);
    // Its channels go with it, so that the light groups still add up to the beauty.
    if (channels) channels->clear();
    return RGBA{0, 0, 0, std::isfinite(color.a) ? color.a : 1.0f};
}

}  // namespace

void NonFiniteSamples::add(const SampleOrigin& at) {
    if (count == 0 || before(at, first)) first = at;
    ++count;
}

void NonFiniteSamples::merge(const NonFiniteSamples& other) {
    if (other.count == 0) return;
    if (count == 0 || before(other.first, first)) first = other.first;
    count += other.count;
}

RGBA traceCameraSample(ThreadContext& thread, const World& world, const Camera& camera,
                       const SampleOrigin& origin, float x, float y, NonFiniteSamples& nonFinite) {
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
    const RGBA color{result.color.r, result.color.g, result.color.b, result.alpha};
    // Each channel on its own: a sum of large finite channels may overflow where none is inf.
    if (!std::isfinite(color.r) || !std::isfinite(color.g) || !std::isfinite(color.b) ||
        !std::isfinite(color.a))
        return blackForNonFinite(color, origin, nonFinite, thread.channels);
    return color;
}

}  // namespace host
