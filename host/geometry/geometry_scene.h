// The scene's geometry for ray casting: every object node (kind kNodeShape) of a universe, put
// into one Embree scene.
#pragma once

#include <memory>

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
    /// be built (a mesh file that does not load, say), naming the object.
    explicit GeometryScene(const Universe& universe);
    ~GeometryScene();
    GeometryScene(const GeometryScene&) = delete;
    GeometryScene& operator=(const GeometryScene&) = delete;

    /// Closest hit with distance in (tnear, tfar). Thread-safe; no allocation.
    bool intersect(const Vector& origin, const Vector& direction, float tnear, float tfar,
                   Hit* hit) const;
    /// Any hit with distance in (tnear, tfar). Thread-safe; no allocation.
    bool occluded(const Vector& origin, const Vector& direction, float tnear, float tfar) const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace host
