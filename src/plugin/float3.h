// Float3: the library's own three-float value for points, directions and colours.
#pragma once

#include <cfloat>
#include <cmath>

#include "plugin/renderer.h"

/// A call kept out of line for speed (bench/README.md): GCC's noipa also keeps its caller from
/// being compiled on what it knows of the body; compilers without it get noinline.
#if defined(__GNUC__) && !defined(__clang__)
#define ORV_OUT_OF_LINE __attribute__((noipa))
#else
#define ORV_OUT_OF_LINE __attribute__((noinline))
#endif

namespace orv {

struct Float3 {
    float x, y, z;

    Float3() = default;  // components left unset, like the renderer's own value types
    constexpr Float3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    explicit Float3(const Vector& v) : x(v.x), y(v.y), z(v.z) {}
    explicit Float3(const RGB& c) : x(c.r), y(c.g), z(c.b) {}

    void set(float x_, float y_, float z_) {
        x = x_;
        y = y_;
        z = z_;
    }
    void set(const Vector& v) { set(v.x, v.y, v.z); }
    void set(const RGB& c) { set(c.r, c.g, c.b); }
    /// This sample's value of a vector or colour parameter.
    void setFromVectorParam(ShaderGlobals* sg, const Node* node, int index) {
        set(AiShaderEvalParamFuncVec(sg, node, index));
    }
    void setFromColorParam(ShaderGlobals* sg, const Node* node, int index) {
        set(AiShaderEvalParamFuncRGB(sg, node, index));
    }

    Vector toVector() const { return Vector{x, y, z}; }
    RGB toRGB() const { return RGB{x, y, z}; }

    Float3 operator-(const Float3& b) const { return Float3(x - b.x, y - b.y, z - b.z); }
    Float3 operator*(float s) const { return Float3(x * s, y * s, z * s); }
    Float3& operator*=(float s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    Float3& operator+=(const Float3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
};

static_assert(sizeof(Float3) == sizeof(Vector) && sizeof(Float3) == sizeof(RGB),
              "Float3 shares the layout of the renderer's Vector and RGB");

inline float dot(const Float3& a, const Float3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline float lengthSquared(const Float3& a) {
    return dot(a, a);
}
inline float length(const Float3& a) {
    return std::sqrt(lengthSquared(a));
}
inline float distanceSquared(const Float3& a, const Float3& b) {
    return lengthSquared(a - b);
}
inline float distance(const Float3& a, const Float3& b) {
    return std::sqrt(distanceSquared(a, b));
}

/// Scales `a` to unit length and answers true; a zero-length `a` is left as it is (false).
/// A finite vector whose squared length overflows or underflows float (a component beyond
/// about 1e19, or all below about 1e-19) is measured in double, so that it still comes out of
/// unit length; every other vector takes the plain float path.
inline bool normalize(Float3& a) {
    const float squared = lengthSquared(a);
    if (!(squared >= FLT_MIN && squared <= FLT_MAX) && std::isfinite(a.x) && std::isfinite(a.y) &&
        std::isfinite(a.z)) {
        const double x = a.x, y = a.y, z = a.z;
        const double len = std::sqrt(x * x + y * y + z * z);  // neither overflows nor underflows
        if (len == 0.0) return false;
        a.set(static_cast<float>(x / len), static_cast<float>(y / len),
              static_cast<float>(z / len));
        return true;
    }
    const float len = std::sqrt(squared);
    if (static_cast<double>(len) == 0.0) return false;
    const float r = 1.0f / len;
    a.x *= r;
    a.y *= r;
    a.z *= r;
    return true;
}

/// Unit-length copy of `a`, by the rules of normalize; the zero vector for a zero-length `a`.
inline Float3 normalized(const Float3& a) {
    Float3 b = a;
    normalize(b);
    return b;
}

inline Float3 cross(const Float3& a, const Float3& b) {
    return Float3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

inline Float3 mul(const Float3& a, const Float3& b) {
    return Float3(a.x * b.x, a.y * b.y, a.z * b.z);
}

/// a at t = 0, b at t = 1; t is not limited to [0, 1].
inline Float3 lerp(const Float3& a, const Float3& b, float t) {
    const float w = 1.0f - t;
    return Float3(a.x * w + b.x * t, a.y * w + b.y * t, a.z * w + b.z * t);
}

inline float absf(float x) {
    return std::fabs(x);
}

/// The low bound is tested first, so a NaN x comes back unchanged and lo wins over hi.
inline float clamp(float x, float lo, float hi) {
    if (lo > x) return lo;
    if (x > hi) return hi;
    return x;
}

}  // namespace orv
