// The placed unit shapes of a light blocker: card, sphere, box and cylinder.
#pragma once

#include <cstdint>

#include "plugin/float3.h"
#include "plugin/renderer.h"

/// Shape kinds, as the blocker's `bType` gives them. Any other value is all of space.
enum BlockerKind : int32_t {
    kBlockerCard = 0,      ///< square in the local XZ plane, side 1, 0.002 thick
    kBlockerSphere = 1,    ///< radius 1
    kBlockerBox = 2,       ///< cube of side 1
    kBlockerCylinder = 3,  ///< along local Y, radius 1, from y = -1 to 1
};

/// One unit shape placed in world space by scale, then rotation about X, Y and Z (degrees),
/// then translation. Built once per set-up; read-only, and so shareable, afterwards. The
/// containment tests are inline: they are all that most samples ask of a shape.
struct BlockerShape {
    int32_t kind;
    int32_t positive;  ///< bPositive as 0 or 1; the shape's operations do not consult it
    Matrix4 forward;   ///< local to world: S x Rx x Ry x Rz, then the translation
    Matrix4 inverse;   ///< world to local; all NaN when the placement cannot be inverted
    Float3 centre;     ///< world position of the local origin
    Float3 scale;      ///< as given to build

    void build(int32_t kind, bool positive, const Float3& scale, const Float3& rotation,
               const Float3& translation);
    /// Whether the kind is one of the four unit shapes; any other is all of space.
    bool isUnitShape() const { return kind >= kBlockerCard && kind <= kBlockerCylinder; }
    /// Whether world points can be placed in local coordinates: the inverse is all finite.
    bool invertible() const;
    /// Whether world point p is inside (a boundary point is). A kind outside 0 .. 3 contains
    /// every point; a placement that cannot be inverted (a zero or non-finite scale, rotation
    /// or translation) contains none.
    bool contains(const Float3& p) const {
        return !isUnitShape() || insideUnitShape(kind, toLocal(p));
    }
    /// World distance from the centre to the surface along the line from the centre through p.
    /// p should not be the centre. A placement that cannot be inverted, or a p whose local
    /// coordinates are not finite, gives 0: a shape that contains nothing has its surface at
    /// its centre.
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
    /// Whether local point l is inside the unit shape of `kind` (0 .. 3).
    static bool insideUnitShape(int32_t kind, const Float3& l) {
        // Accepting comparisons (<=) agree with rejecting strict ones (>) on every number, so
        // a boundary point is inside; but a NaN coordinate, from an inverse that does not
        // exist, fails them, where it would pass every rejection and count as inside
        // everywhere.
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
