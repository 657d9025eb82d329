// What a GeometryScene holds, for the geometry code itself and for benchmarks that compare the
// host's ray calls with Embree's own. Not for shading code: use GeometryScene's interface.
#pragma once

#include <unordered_map>

#include <embree3/rtcore.h>

#include <memory>
#include <vector>

#include "geometry/affine_transform.h"
#include "geometry/embree_device.h"
#include "geometry/geometry_scene.h"
#include "geometry/triangle_mesh.h"

namespace host {

enum class ShapeKind { Triangles, Sphere };

/// One Embree geometry, at the index of its geometry ID. Immutable once the scene is committed.
struct Shape {
    ShapeKind kind = ShapeKind::Triangles;
    Node* object = nullptr;
    TriangleMesh mesh;                ///< world space (triangles)
    std::vector<Vector> faceNormals;  ///< triangles: each one's unit normal, worked out once
    AffineTransform toWorld{};        ///< sphere
    AffineTransform toObject{};       ///< sphere
    double radius = 1.0;              ///< sphere, object space
};

/// Released in reverse: the scene, then the shapes its geometries point at, then the device.
/// Whatever a failed build had made is released with it.
struct GeometryScene::Impl {
    EmbreeDevice device;
    std::vector<std::unique_ptr<Shape>> shapes;  ///< by Embree geometry ID
    /// Each object's geometry ID, so that one object is found again without a walk of all.
    std::unordered_map<const Node*, unsigned> ids;
    EmbreeScene scene;
    explicit Impl(const char* config) : device(config) {}
};

}  // namespace host
