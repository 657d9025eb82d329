#include "blocker/falloff.h"

#include <cmath>

#include "plugin/float3.h"

namespace {
float smoothstep(float t) {
    return t * t * (3.0f - 2.0f * t);
}
}  // namespace

float linearRamp(float dIn, float dOut, float x) {
    if (dIn >= x) return 0.0f;
    if (x >= dOut) return 1.0f;
    if (dIn == dOut) return 0.0f;
    return (x - dIn) / (dOut - dIn);
}

float smoothRamp(float dIn, float dOut, float x, float exponent) {
    if (dIn > x) return 0.0f;
    if (x > dOut) return 1.0f;
    // Here dIn <= x <= dOut; equal surfaces would make t 0 / 0.
    if (dIn == dOut) return 0.0f;
    const float t = (x - dIn) / (dOut - dIn);
    if (t != t) return 1.0f;  // inf / inf: x and dOut both infinite
    float s = clamp(smoothstep(t), 0.0f, 1.0f);
    // bDecayPower 3, the square root, is common enough to skip the general power for.
    if (exponent == 0.5f)
        s = std::sqrt(s);
    else if (exponent != 1.0f)
        s = std::pow(s, exponent);
    return s;
}

float falloff(float dIn, float dOut, float x, bool smooth, float exponent) {
    return smooth ? smoothRamp(dIn, dOut, x, exponent) : linearRamp(dIn, dOut, x);
}
