#include "tracing/light_models.h"

#include <cmath>

namespace host {

namespace {

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees) {
    return degrees * (kPi / 180.0);
}

Vector unit(const Vector& v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0 ? Vector{v.x / l, v.y / l, v.z / l} : Vector{0, -1, 0};
}

void readPoint(const Node& node, Light& light) {
    light.position = node.values[kLightPosition].vec;
}

void readSpot(const Node& node, Light& light) {
    readPoint(node, light);
    light.direction = unit(node.values[kSpotDirection].vec);
    light.coneAngle = node.values[kSpotConeAngle].flt;
    light.penumbraAngle = node.values[kSpotPenumbraAngle].flt;
}

/// Inverse-square from the light's position; nothing at the position itself.
bool samplePoint(const Light& light, const Vec3d& point, LightSample* out) {
    const Vec3d toLight = toVec3d(light.position) - point;
    const double distanceSquared = dot(toLight, toLight);
    if (!(distanceSquared > 0.0) || !std::isfinite(distanceSquared)) return false;
    const double distance = std::sqrt(distanceSquared);
    out->towardLight = toLight * (1.0 / distance);
    out->distance = distance;
    out->position = light.position;
    out->scale = static_cast<double>(light.intensity) / distanceSquared;
    return true;
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

bool sampleSpot(const Light& light, const Vec3d& point, LightSample* out) {
    if (!samplePoint(light, point, out)) return false;
    out->scale *= spotFactor(light, out->towardLight * -1.0);
    return out->scale != 0.0;
}

const LightRange kSpotRanges[] = {
    {"coneAngle", 1e-3, 180, "degrees"},
    {"penumbraAngle", 0, 180, "degrees"},
};

}  // namespace

const LightModel kPointLight = {"point", readPoint, samplePoint, nullptr, nullptr, 0};
const LightModel kSpotLight = {"spot",      readSpot,    sampleSpot,
                               "direction", kSpotRanges, int(std::size(kSpotRanges))};

}  // namespace host
