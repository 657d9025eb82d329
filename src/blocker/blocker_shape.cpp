#include "blocker/blocker_shape.h"

#include <cmath>

namespace {

Float3 toLocal(const Matrix4& inverse, const Float3& p) {
    const Vector world = p.toVector();
    Vector local;
    AiM4PointByMatrixMult(&local, &inverse, &world);
    return Float3(local);
}

bool isFinite(const Float3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

/// Line through the origin along d against the plane through p0 with normal n; false when the
/// line runs parallel to it.
bool planeHit(const Float3& d, const Float3& p0, const Float3& n, Float3* hit) {
    const float den = dot(n, d);
    if (absf(den) == 0.0f) return false;
    const float t = dot(p0, n) / den;
    *hit = d * t;
    return true;
}

}  // namespace

void BlockerShape::build(int32_t kind_, bool positive_, const Float3& scale_,
                         const Float3& rotation, const Float3& translation) {
    kind = kind_;
    positive = positive_ ? 1 : 0;
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

bool BlockerShape::contains(const Float3& p) const {
    if (kind < kBlockerCard || kind > kBlockerCylinder) return true;
    const Float3 l = toLocal(inverse, p);
    // Accepting comparisons (<=) agree with rejecting strict ones (>) on every number, so a
    // boundary point is inside; but a NaN coordinate, from an inverse that does not exist,
    // fails them, where it would pass every rejection and count as inside everywhere.
    switch (kind) {
        case kBlockerCard:
            return absf(l.x) <= 0.5f && absf(l.y) <= 0.001f && absf(l.z) <= 0.5f;
        case kBlockerSphere:
            return l.x * l.x + l.y * l.y + l.z * l.z <= 1.0f;
        case kBlockerBox:
            return absf(l.x) <= 0.5f && absf(l.y) <= 0.5f && absf(l.z) <= 0.5f;
        default:
            return l.x * l.x + l.z * l.z <= 1.0f && absf(l.y) <= 1.0f;
    }
}

float BlockerShape::surfaceDistance(const Float3& p) const {
    Float3 d = toLocal(inverse, p);
    if (!isFinite(d)) return 0.0f;
    normalize(d);
    Float3 h;
    switch (kind) {
        case kBlockerCard:
            // The card's edge, in its own plane; straight above the centre boxHit falls back
            // to the +X edge, and any edge is far beyond such a point.
            d.y = 0.0f;
            normalize(d);
            h = boxHit(d);
            break;
        case kBlockerSphere:
            h = d;
            break;
        case kBlockerBox:
            h = boxHit(d);
            break;
        case kBlockerCylinder:
            h = cylinderHit(d);
            break;
        default:
            return 0.0f;  // all of space: never between an inner and an outer surface
    }
    const Vector local = h.toVector();
    Vector world;
    AiM4VectorByMatrixMult(&world, &forward, &local);
    return length(Float3(world));
}

bool boxFaceHit(const Float3& d, Float3* hit) {
    static constexpr Float3 kCorners[2] = {Float3(-0.5f, -0.5f, -0.5f), Float3(0.5f, 0.5f, 0.5f)};
    static constexpr Float3 kNormals[6] = {
        Float3(1, 0, 0),  Float3(0, 1, 0),  Float3(0, 0, 1),
        Float3(-1, 0, 0), Float3(0, -1, 0), Float3(0, 0, -1),
    };
    for (int face = 0; face < 6; ++face) {
        Float3 h;
        if (!planeHit(d, kCorners[face / 3], kNormals[face], &h)) continue;
        const int axis = face % 3;
        const bool accepted = (axis == 0 || absf(h.x) <= 0.5f) &&
                              (axis == 1 || absf(h.y) <= 0.5f) && (axis == 2 || absf(h.z) <= 0.5f);
        if (accepted) {
            *hit = h;
            return true;
        }
    }
    return false;
}

Float3 boxHit(const Float3& d) {
    Float3 h;
    if (boxFaceHit(d, &h)) return h;
    // For a unit d rounding cannot reject the face of its largest component, so this is a d
    // so short (a card direction with almost no XZ part) that 0.5 / |d| overflows, or a zero
    // one. Scaling in double keeps the largest component at 0.5 for any finite d.
    const double largest = std::fmax(absf(d.x), std::fmax(absf(d.y), absf(d.z)));
    if (largest > 0.0 && std::isfinite(largest)) {
        const double s = 0.5 / largest;
        return Float3(static_cast<float>(d.x * s), static_cast<float>(d.y * s),
                      static_cast<float>(d.z * s));
    }
    return Float3(0.5f, 0.0f, 0.0f);
}

Float3 cylinderHit(const Float3& d) {
    static constexpr Float3 kCapPoints[2] = {Float3(0, -1, 0), Float3(0, 1, 0)};
    static constexpr Float3 kCapNormals[2] = {Float3(0, 1, 0), Float3(0, -1, 0)};
    for (int cap = 0; cap < 2; ++cap) {
        Float3 h;
        if (planeHit(d, kCapPoints[cap], kCapNormals[cap], &h) && h.x * h.x + h.z * h.z < 1.0f)
            return h;
    }
    const float radial = d.x * d.x + d.z * d.z;
    if (!(radial > 0.0f)) return Float3(1.0f, 0.0f, 0.0f);
    return d * (1.0f / std::sqrt(radial));
}
