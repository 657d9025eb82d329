// What the tracer asks of the scene's geometry. An interface, so that the tracer and the
// renderer calls over it do not depend on the library that does the intersection (Embree's, in
// geometry_scene.h): programs that cast no rays do not load it.
#pragma once

#include "plugin/renderer.h"

namespace host {

class RayGeometry {
  public:
    struct Hit {
        float distance;          ///< along the ray, in units of the ray direction's length
        Vector point;            ///< world space
        Vector geometricNormal;  ///< unit, world space, as the surface is oriented
        Vector shadingNormal;    ///< unit, world space (interpolated on meshes)
        Node* object;            ///< the object node hit
    };

    virtual ~RayGeometry() = default;

    // Both find nothing for a ray they cannot cast: a zero, non-finite or too large origin or
    // direction component, a NaN bound or an empty interval. The tracer relies on this check.

    /// Closest hit with distance in (tnear, tfar). Thread-safe; no allocation.
    virtual bool intersect(const Vector& origin, const Vector& direction, float tnear, float tfar,
                           Hit* hit) const = 0;
    /// Any hit with distance in (tnear, tfar). Thread-safe; no allocation.
    virtual bool occluded(const Vector& origin, const Vector& direction, float tnear,
                          float tfar) const = 0;

  protected:
    RayGeometry() = default;
    RayGeometry(const RayGeometry&) = default;
    RayGeometry& operator=(const RayGeometry&) = default;
};

}  // namespace host
