// orv_trace's directions: the central direction its `direction` setting chooses, and the glossy
// family about it: a cone, a frame around the central direction, and the mapping of two uniform
// numbers to a direction uniform over the cone's spherical cap. All but chooseDirection are pure
// functions, in the single and double precision stated for each step, so that results match to
// the bit on every build.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "plugin/float3.h"
#include "plugin/renderer.h"

namespace orv {

/// orv_trace's rayType values; chooseDirection mirrors by another rule for the environment.
enum TraceRayType : int32_t {
    kTraceProbe = 0,
    kTraceReflected = 1,
    kTraceRefracted = 2,
    kTraceEnvironment = 3,
};

/// 0 the incoming ray direction; 1 its mirror image (the plain reflection about the alternate
/// normal for the environment ray type, else the guarded reflection about the shading normal);
/// 2 its refraction from index 1 into `ior`; 3 `customDirection` normalised (zero stays zero).
/// Any other setting takes the incoming direction, as 0 does. A call of its own, for speed
/// (bench/README.md).
ORV_OUT_OF_LINE inline Float3 chooseDirection(ShaderGlobals* sg, int32_t direction, int32_t rayType,
                                              float ior, const Float3& customDirection) {
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

struct Cone {
    float thetaMax;  ///< half-angle, radians
    float cosMax;
};

/// `spread` clamped to [0, 1] is the half-angle in units of 90 degrees: 1 is the hemisphere.
inline Cone coneFromSpread(float spread) {
    const float degrees = clamp(spread, 0.0f, 1.0f) * 90.0f;
    const float thetaMax = degrees * 0.017453292f;
    return Cone{thetaMax, std::cos(thetaMax)};
}

/// A vector at right angles to `a`, built on a's smallest component (x before y before z on
/// a tie), written to *out. Fails, leaving *out alone, when |a.x| + |a.y| + |a.z| < 0.0001.
inline bool perpendicular(const Float3& a, Float3* out) {
    const float ax = absf(a.x), ay = absf(a.y), az = absf(a.z);
    int axis = 0;
    float m = ax;
    if (m > ay) {
        axis = 1;
        m = ay;
    }
    if (m > az) axis = 2;
    if (ax + ay + az < 0.0001f) return false;
    switch (axis) {
        case 0:
            *out = Float3(0.0f, a.z, -a.y);
            break;
        case 1:
            *out = Float3(a.z, 0.0f, -a.x);
            break;
        default:
            *out = Float3(a.y, -a.x, 0.0f);
            break;
    }
    return true;
}

/// Tangent and bitangent of the family: with d they are its local x, y and z axes.
struct Frame {
    Float3 t;
    Float3 b;
};

/// The frame around `d`. A direction too short for perpendicular (a zero or tiny vector) has
/// no frame: t and b are zero, so every direction of the family collapses onto d.
inline Frame frameAround(const Float3& d) {
    Float3 t(0.0f, 0.0f, 0.0f);
    perpendicular(d, &t);
    t = normalized(t);
    const Float3 b = normalized(cross(t, d));
    return Frame{t, b};
}

struct SinCos {
    double sin;
    double cos;
};

/// Sine and cosine of `x` in double precision, within an ulp or so of the library's: a reduction
/// by pi/2 and the classic minimax polynomials on [-pi/4, pi/4], written out for speed
/// (bench/README.md). Arguments beyond 1e5, and non-finite ones, go to the library.
inline SinCos sinCos(double x) {
    if (!(std::fabs(x) <= 1e5)) return SinCos{std::sin(x), std::cos(x)};
    // Nearest multiple k of pi/2, by the add-and-subtract rounding of 1.5 x 2^52; pi/2 in two
    // parts, the first of 33 bits, so that k times it is exact for the k that reach here.
    constexpr double kRound = 6755399441055744.0;
    const double k = (x * 0.63661977236758134308 + kRound) - kRound;
    const double r = (x - k * 1.57079632673412561417) - k * 6.07710050650619224932e-11;
    const double z = r * r;
    const double sinR =
        r +
        r * z *
            (-1.66666666666666324348e-01 +
             z * (8.33333333332248946124e-03 +
                  z * (-1.98412698298579493134e-04 +
                       z * (2.75573137070700676789e-06 +
                            z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
    const double cosR =
        1.0 - 0.5 * z +
        z * z *
            (4.16666666666666019037e-02 +
             z * (-1.38888888888741095749e-03 +
                  z * (2.48015872894767294178e-05 +
                       z * (-2.75573143513906633035e-07 +
                            z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
    switch (static_cast<int64_t>(k) & 3) {
        case 0:
            return SinCos{sinR, cosR};
        case 1:
            return SinCos{cosR, -sinR};
        case 2:
            return SinCos{-sinR, -cosR};
        default:
            return SinCos{-cosR, sinR};
    }
}

/// A unit direction about +z, uniform over the cap z >= cosMax for u0, u1 uniform in [0, 1).
inline Float3 sampleCone(float u0, float u1, float cosMax) {
    const float c = cosMax + (1.0f - cosMax) * u0;
    const double cd = static_cast<double>(c);
    // Never below 0, so that numbers outside [0, 1) give a direction rather than a NaN.
    const double s = std::sqrt(std::max(0.0, 1.0 - cd * cd));
    const SinCos phi = sinCos(static_cast<double>(u1 * 6.2831855f));
    return Float3(static_cast<float>(s * phi.cos), static_cast<float>(s * phi.sin), c);
}

/// The local direction l in the frame (t, b, d); not normalised again.
inline Float3 familyDirection(const Frame& frame, const Float3& d, const Float3& l) {
    const Float3& t = frame.t;
    const Float3& b = frame.b;
    return Float3((t.x * l.x + b.x * l.y) + d.x * l.z, (t.y * l.x + b.y * l.y) + d.y * l.z,
                  (t.z * l.x + b.z * l.y) + d.z * l.z);
}

}  // namespace orv
