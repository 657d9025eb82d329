// The scene's geometry for ray casting: every object node (kind kNodeShape) of a universe, put
// into one Embree scene. Its header names no Embree type; the tracer sees it as a RayGeometry.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "geometry/ray_geometry.h"
#include "plugin/renderer.h"

namespace host {

class Universe;

class GeometryScene final : public RayGeometry {
  public:
    /// Builds from every object node of `universe`. Throws HostError for an object that cannot
    /// be built (a mesh file that does not load, say, or Embree's own failure, with its
    /// reason), naming the object; what was built so far is released. Relative mesh paths
    /// are taken from `meshDirectory` when it is given, else from the working directory.
    /// Objects without a surface (a radius or size of 0 or less, a zero scale of a sphere) are
    /// left out: nothing hits them.
    explicit GeometryScene(const Universe& universe, const std::string& meshDirectory = {});
    ~GeometryScene() override;
    GeometryScene(const GeometryScene&) = delete;
    GeometryScene& operator=(const GeometryScene&) = delete;

    /// Closest hit with distance in (tnear, tfar). Thread-safe; no allocation.
    bool intersect(const Vector& origin, const Vector& direction, float tnear, float tfar,
                   Hit* hit) const override;
    /// Any hit with distance in (tnear, tfar). Thread-safe; no allocation.
    bool occluded(const Vector& origin, const Vector& direction, float tnear,
                  float tfar) const override;

    /// Number of Embree geometries built (objects left out are not counted).
    size_t shapeCount() const;

    /// Builds the geometry of each of `objects` again from its parameters as they are now and
    /// commits the scene once, leaving every other object's geometry as it was: what an edit
    /// of a few objects costs. False, changing nothing, when one of them has no geometry here
    /// or would have none now (its geometry IDs would move: build the scene again instead).
    /// Throws HostError as the constructor does, the old geometry then left in place. Not
    /// while rays are cast.
    bool rebuildObjects(const std::vector<const Node*>& objects,
                        const std::string& meshDirectory = {});

    struct Impl;  ///< host/geometry/embree_scene.h
    const Impl& internals() const { return *impl_; }

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace host
