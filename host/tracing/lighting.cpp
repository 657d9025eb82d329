// Direct lighting: point and spot lights, their light filters, shadow rays and the Lambert term.
#include "tracing/lighting.h"

#include <cmath>

#include "geometry/affine_transform.h"
#include "shading/explain_recorder.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "tracing/tracer.h"
#include "tracing/world.h"

namespace host {

namespace {

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees) {
    return degrees * (kPi / 180.0);
}

/// 1 inside the spot's cone less its penumbra, 0 outside the cone, smoothstep between.
/// `fromLight` is the unit direction from the light to the shading point. A cone or penumbra
/// that is not a number gives no light rather than a NaN.
double spotFactor(const Light& light, const Vec3d& fromLight) {
    const double half = std::fmin(0.5 * static_cast<double>(light.coneAngle), 180.0);
    const double inner = std::fmax(0.0, half - std::fmax(0.0, light.penumbraAngle));
    const double cosOuter = std::cos(radians(half));
    const double cosInner = std::cos(radians(inner));
    const double c = dot(fromLight, normalized(toVec3d(light.direction)));
    if (!(c > cosOuter)) return 0.0;
    if (c >= cosInner) return 1.0;
    const double t = (c - cosOuter) / (cosInner - cosOuter);
    return t * t * (3.0 - 2.0 * t);
}

bool isBlack(const RGB& c) {
    return c.r == 0.0f && c.g == 0.0f && c.b == 0.0f;
}

/// Closes a light's record in --explain whichever way its sample ends.
struct ExplainedLight {
    ExplainRecorder* explain;
    ~ExplainedLight() {
        if (explain) explain->closeLight();
    }
};

}  // namespace

RGB directLighting(ShaderGlobals* sg, const RGB& albedo) {
    RGB total{0, 0, 0};
    if (!sg || !sg->host || !sg->host->world) return total;
    const World& world = *sg->host->world;
    const ShaderValue keptOut = sg->out;
    const RGB keptLight = sg->lightIntensity;
    const Vec3d point = toVec3d(sg->point);
    const Vec3d normal = normalized(toVec3d(sg->normal));
    ExplainRecorder* explain = explainRecorder(sg);

    for (const Light& light : world.lights) {
        const Vec3d position = toVec3d(light.position);
        const Vec3d toLight = position - point;
        const double distanceSquared = dot(toLight, toLight);
        if (!(distanceSquared > 0.0) || !std::isfinite(distanceSquared)) continue;
        const Vec3d towardLight = toLight * (1.0 / std::sqrt(distanceSquared));
        // A light behind the surface, or outside its spot cone, gives nothing: its filters
        // are not run and no shadow ray is cast for it.
        const double cosine = dot(normal, towardLight);
        if (!(cosine > 0.0)) continue;
        double scale = static_cast<double>(light.intensity) / distanceSquared;
        if (light.kind == LightKind::Spot) scale *= spotFactor(light, towardLight * -1.0);
        if (scale == 0.0) continue;

        sg->lightIntensity = RGB{static_cast<float>(light.color.r * scale),
                                 static_cast<float>(light.color.g * scale),
                                 static_cast<float>(light.color.b * scale)};
        if (explain)
            explain->openLight(light.node, int(&light - world.lights.data()), sg->lightIntensity);
        const ExplainedLight explainedLight{explain};
        for (Node* filter : light.filters)
            if (filter) evaluateNode(filter, sg);
        const RGB filtered = sg->lightIntensity;
        if (isBlack(filtered)) continue;
        if (shadowed(*sg, light.position)) continue;

        const float weight = static_cast<float>(cosine / kPi);
        total.r += albedo.r * weight * filtered.r;
        total.g += albedo.g * weight * filtered.g;
        total.b += albedo.b * weight * filtered.b;
    }

    sg->out = keptOut;
    sg->lightIntensity = keptLight;
    return total;
}

}  // namespace host
