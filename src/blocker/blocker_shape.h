// The placed unit shapes of a light blocker: card, sphere, box and cylinder.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "plugin/float3.h"
#include "plugin/renderer.h"

namespace orv {

/// Shape kinds, as the blocker's `bType` gives them.
enum BlockerKind : int32_t {
    kBlockerCard = 0,      ///< square in the local XZ plane, side 1, 0.002 thick
    kBlockerSphere = 1,    ///< radius 1
    kBlockerBox = 2,       ///< cube of side 1
    kBlockerCylinder = 3,  ///< along local Y, radius 1, from y = -1 to 1
};
/// Kinds 0 .. kBlockerShapeCount - 1 are unit shapes; any other kind, negative or from
/// kBlockerShapeCount on, is not a shape but all of space.
constexpr int32_t kBlockerShapeCount = 4;

/// What a unit shape answers in its local space, centred on the origin.
struct BlockerShapeOps {
    /// Whether local point l is inside. Accepting comparisons (<=) agree with rejecting strict
    /// ones (>) on every number, so a boundary point is inside; but a NaN coordinate, from an
    /// inverse that does not exist, fails them, where it would pass every rejection and count
    /// as inside everywhere.
    bool (*inside)(const Float3& l);
    /// Whether the surface is measured in the local XZ plane only, the point's y dropped.
    bool flat;
    /// The factor that takes local v, with its largest |component| `largest` and squares that
    /// are finite and normal, onto the surface.
    float (*surfaceFactor)(const Float3& v, float largest);
    /// The surface point along u, a direction of any length whose largest component is 1.
    Float3 (*hit)(const Float3& u);
};

/// Where the line through the origin along d (of any length) crosses the unit cube's surface:
/// d scaled so that its largest component has size 0.5, which is the face that line meets
/// first. For a zero or non-finite d, the +X face centre: a point on the surface for every d.
Float3 boxHit(const Float3& d);
/// Where the line through the origin along d crosses the unit cylinder's surface: a cap when
/// the hit lies strictly inside its rim (given on the -Y side, the bottom cap, for d pointing
/// either way), else the side. d need not be unit length, but its squares must not overflow.
/// A d with no XZ component that misses both caps (only a zero d) gives the side point (1, 0, 0).
Float3 cylinderHit(const Float3& d);

namespace blocker_shape_ops {

inline bool insideCard(const Float3& l) {
    return absf(l.x) <= 0.5f && absf(l.y) <= 0.001f && absf(l.z) <= 0.5f;
}
inline bool insideSphere(const Float3& l) {
    return l.x * l.x + l.y * l.y + l.z * l.z <= 1.0f;
}
inline bool insideBox(const Float3& l) {
    return absf(l.x) <= 0.5f && absf(l.y) <= 0.5f && absf(l.z) <= 0.5f;
}
inline bool insideCylinder(const Float3& l) {
    return l.x * l.x + l.z * l.z <= 1.0f && absf(l.y) <= 1.0f;
}

// The surface factors are those of boxHit and cylinderHit.
/// Card and box: the face of the largest component.
inline float faceFactor(const Float3&, float largest) {
    return 0.5f / largest;
}
inline float sphereFactor(const Float3& v, float) {
    return 1.0f / length(v);
}
inline float cylinderFactor(const Float3& v, float) {
    const float radial = v.x * v.x + v.z * v.z;
    // Inside the rim of a cap: |v.x / v.y|^2 + |v.z / v.y|^2 < 1.
    if (radial < v.y * v.y) return 1.0f / absf(v.y);
    return 1.0f / std::sqrt(radial);
}

}  // namespace blocker_shape_ops

/// The unit shapes' operations, by kind.
inline constexpr BlockerShapeOps kBlockerShapes[kBlockerShapeCount] = {
    // inside, flat, surface factor, hit
    /* card */ {blocker_shape_ops::insideCard, true, blocker_shape_ops::faceFactor, boxHit},
    /* sphere */
    {blocker_shape_ops::insideSphere, false, blocker_shape_ops::sphereFactor, normalized},
    /* box */ {blocker_shape_ops::insideBox, false, blocker_shape_ops::faceFactor, boxHit},
    /* cylinder */
    {blocker_shape_ops::insideCylinder, false, blocker_shape_ops::cylinderFactor, cylinderHit},
};

/// f(std::integral_constant<int32_t, kind>()) for the kind of a unit shape, so that the row of
/// kBlockerShapes that f reads is a constant and its operations are direct calls, inlined:
/// for speed (bench/README.md). `kind` must be one of a unit shape.
template <int32_t K = 0, typename F>
inline decltype(auto) withShapeKind(int32_t kind, F&& f) {
    if constexpr (K + 1 < kBlockerShapeCount) {
        if (kind != K) return withShapeKind<K + 1>(kind, f);
    }
    return f(std::integral_constant<int32_t, K>());
}

/// One unit shape placed in world space by scale, then rotation about X, Y and Z (degrees),
/// then translation. Built once per set-up; read-only, and so shareable, afterwards.
struct BlockerShape {
    int32_t kind;
    Matrix4 forward;  ///< local to world: S x Rx x Ry x Rz, then the translation
    Matrix4 inverse;  ///< world to local; all NaN when the placement cannot be inverted
    Float3 centre;    ///< world position of the local origin
    Float3 scale;     ///< as given to build

    void build(int32_t kind, const Float3& scale, const Float3& rotation,
               const Float3& translation);
    /// Whether the kind is one of the unit shapes; any other is all of space.
    bool isUnitShape() const { return isUnitShape(kind); }
    static bool isUnitShape(int32_t kind) { return kind >= 0 && kind < kBlockerShapeCount; }
    /// Whether the placement can take world points to local coordinates: the inverse is all
    /// finite.
    bool invertible() const;
    /// Whether world point p is inside (a boundary point is). A kind that is not a shape
    /// contains every point; a placement that cannot be inverted (a zero or non-finite scale,
    /// rotation or translation) contains none.
    bool contains(const Float3& p) const {
        return !isUnitShape() || insideUnitShape(kind, toLocal(p));
    }
    /// World distance from the centre to the surface along the line from the centre through p.
    /// p should not be the centre. A kind that is not a shape, a placement that cannot be
    /// inverted, or a p whose local coordinates are not finite, gives 0: a shape that contains
    /// nothing has its surface at its centre.
    float surfaceDistance(const Float3& p) const;
    /// surfaceDistance of the point whose local coordinates are `local`, as contains gave them.
    float surfaceDistanceLocal(const Float3& local) const;

    /// World point p in local coordinates.
    Float3 toLocal(const Float3& p) const { return toLocal(p.toVector()); }
    Float3 toLocal(const Vector& world) const {
        Vector local;
        AiM4PointByMatrixMult(&local, &inverse, &world);
        return Float3(local);
    }
    /// contains for a placed unit shape, leaving p's local coordinates in `local` for the
    /// caller to go on from.
    bool unitShapeContains(const Vector& p, Vector* local) const {
        AiM4PointByMatrixMult(local, &inverse, &p);
        return insideUnitShape(kind, Float3(*local));
    }
    /// Whether local point l is inside the unit shape of `kind`, which must be one.
    static bool insideUnitShape(int32_t kind, const Float3& l) {
        return withShapeKind(kind, [&](auto k) { return kBlockerShapes[k].inside(l); });
    }
};

}  // namespace orv
