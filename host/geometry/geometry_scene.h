// The scene's geometry for ray casting: every object node (kind kNodeShape) of a universe, put
// into one Embree scene.
#pragma once

#include <memory>
#include <string>

#include "plugin/renderer.h"

namespace host {

class Universe;

class GeometryScene {
  public:
    struct Hit {
        float distance;          ///< along the ray, in units of the ray direction's length
        Vector point;            ///< world space
        Vector geometricNormal;  ///< unit, world space, as the surface is oriented
        Vector shadingNormal;    ///< unit, world space (interpolated on meshes)
        Node* object;            ///< the object node hit
    };

    /// Builds from every object node of `universe`. Throws HostError for an object that cannot
    /// be built (a mesh file that does not load, say, or Embree's own failure, with its
    /// reason), naming the object; what was built so far is released. Relative mesh paths
    /// are taken from `meshDirectory` when it is given, else from the working directory.
    /// Objects without a surface (a radius or size of 0 or less, a zero scale of a sphere) are
    /// left out: nothing hits them.
    explicit GeometryScene(const Universe& universe, const std::string& meshDirectory = {});
    ~GeometryScene();
    GeometryScene(const GeometryScene&) = delete;
    GeometryScene& operator=(const GeometryScene&) = delete;

    /// Closest hit with distance in (tnear, tfar). Thread-safe; no allocation.
    bool intersect(const Vector& origin, const Vector& direction, float tnear, float tfar,
                   Hit* hit) const;
    /// Any hit with distance in (tnear, tfar). Thread-safe; no allocation.
    /// Both find nothing for a ray they cannot cast: a zero, non-finite or too large origin or
    /// direction component, a NaN bound or an empty interval. The tracer relies on this check.
    bool occluded(const Vector& origin, const Vector& direction, float tnear, float tfar) const;

    /// Number of Embree geometries built (objects left out are not counted).
    size_t shapeCount() const;

    struct Impl;  ///< host/geometry/embree_scene.h
    const Impl& internals() const { return *impl_; }

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace host
