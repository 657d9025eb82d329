#include "blocker/blocker_shape.h"

#include <cmath>

namespace orv {
namespace {

bool isFinite(const Float3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

/// The largest |component|; a NaN first component gives NaN, a later one is passed over.
float largestMagnitude(const Float3& v) {
    float m = absf(v.x);
    if (absf(v.y) > m) m = absf(v.y);
    if (absf(v.z) > m) m = absf(v.z);
    return m;
}

/// Largest |component| (and inverse of the smallest) of a local point measured by its own
/// factor: far enough for any point of a sensible ramp, near enough that the squares of the
/// point and of its world image stay finite and normal.
constexpr float kSquaresSafe = 1e10f;

Float3 toWorldVector(const Matrix4& forward, const Float3& v) {
    const Vector local = v.toVector();
    Vector world;
    AiM4VectorByMatrixMult(&world, &forward, &local);
    return Float3(world);
}

/// surfaceDistanceLocal for a finite local point of a unit shape of kind K.
template <int32_t K>
float surfaceDistanceAs(const Matrix4& forward, const Float3& local) {
    constexpr const BlockerShapeOps& shape = kBlockerShapes[K];
    const Float3 v = shape.flat ? Float3(local.x, 0.0f, local.z) : local;
    const float largest = largestMagnitude(v);
    if (largest >= 1.0f / kSquaresSafe && largest <= kSquaresSafe) {
        // The surface point is v times a factor, so its world image is the factor times v's,
        // and v need not be made unit length first.
        const float factor = shape.surfaceFactor(v, largest);
        return factor * length(toWorldVector(forward, v));
    }
    // A point so near the centre or so far out that its squares would not be finite: its
    // direction, scaled to a largest component of 1, onto the surface. Straight above the
    // centre of a card boxHit falls back to the +X edge, and any edge is far beyond the point.
    Float3 u = v;
    if (largest > 0.0f) {
        const double r = 1.0 / largest;
        u = Float3(static_cast<float>(v.x * r), static_cast<float>(v.y * r),
                   static_cast<float>(v.z * r));
    }
    return length(toWorldVector(forward, shape.hit(u)));
}

}  // namespace

void BlockerShape::build(int32_t kind_, const Float3& scale_, const Float3& rotation,
                         const Float3& translation) {
    kind = kind_;
    scale = scale_;
    centre = translation;

    Matrix4 s;
    AiM4Identity(&s);
    s.m[0] = scale.x;
    s.m[5] = scale.y;
    s.m[10] = scale.z;
    Matrix4 rx, ry, rz;
    AiM4RotationX(&rx, rotation.x);
    AiM4RotationY(&ry, rotation.y);
    AiM4RotationZ(&rz, rotation.z);
    Matrix4 a, b;
    AiM4Mult(&a, &rx, &ry);
    AiM4Mult(&b, &a, &rz);
    AiM4Mult(&forward, &s, &b);
    // The product has no translation, so writing it in moves the shape after it has turned.
    forward.m[12] = translation.x;
    forward.m[13] = translation.y;
    forward.m[14] = translation.z;
    AiM4Invert(&inverse, &forward);
}

bool BlockerShape::invertible() const {
    for (float entry : inverse.m)
        if (!std::isfinite(entry)) return false;
    return true;
}

float BlockerShape::surfaceDistance(const Float3& p) const {
    if (!isUnitShape()) return 0.0f;
    return surfaceDistanceLocal(toLocal(p));
}

float BlockerShape::surfaceDistanceLocal(const Float3& local) const {
    if (!isFinite(local) || !isUnitShape()) return 0.0f;
    return withShapeKind(kind, [&](auto k) { return surfaceDistanceAs<k>(forward, local); });
}

Float3 boxHit(const Float3& d) {
    const float largest = largestMagnitude(d);
    const float t = 0.5f / largest;
    if (largest > 0.0f && std::isfinite(t)) return d * t;
    // So short a d (a card direction with almost no XZ part) that 0.5 / |d| overflows, or a
    // zero or non-finite one. Scaling in double keeps the largest component at 0.5 for any
    // finite d.
    if (largest > 0.0f && std::isfinite(largest)) {
        const double s = 0.5 / largest;
        return Float3(static_cast<float>(d.x * s), static_cast<float>(d.y * s),
                      static_cast<float>(d.z * s));
    }
    return Float3(0.5f, 0.0f, 0.0f);
}

Float3 cylinderHit(const Float3& d) {
    // Both caps meet the line at the same |t|, so the bottom cap stands for the two.
    if (d.y != 0.0f) {
        const Float3 h = d * (-1.0f / d.y);
        if (h.x * h.x + h.z * h.z < 1.0f) return h;
    }
    const float radial = d.x * d.x + d.z * d.z;
    if (!(radial > 0.0f)) return Float3(1.0f, 0.0f, 0.0f);
    return d * (1.0f / std::sqrt(radial));
}

}  // namespace orv
