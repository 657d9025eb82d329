// Triangle meshes as the geometry scene holds them: the plane and box primitives, OBJ files,
// and their placement in the world.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/affine_transform.h"

namespace host {

struct TriangleMesh {
    std::vector<Vector> positions;
    std::vector<uint32_t> indices;  ///< three per triangle, counter-clockwise seen from outside
    std::vector<Vector>
        cornerNormals;  ///< three per triangle, or empty; zero where a corner has none

    size_t triangleCount() const { return indices.size() / 3; }
};

/// A square of side `size` in the XZ plane about the origin, facing +Y.
TriangleMesh planeMesh(float size);
/// The cube of side 1 about the origin, faces outward.
TriangleMesh boxMesh();
/// The most corners of one OBJ face. Ear clipping cuts a face in time growing as the square of
/// its corners (a face of 150,000 took a minute), so a larger one is refused.
constexpr size_t kMaxFaceCorners = 1024;

/// Loads a Wavefront OBJ (polygons are triangulated). Throws HostError naming `objectName` and
/// the path when the file is not a regular file, is larger than a scene may be, cannot be read
/// or does not fit in memory, holds no triangle, or has (with its line) a vertex or normal
/// coordinate that is not a decimal number finite as a float, an index of 0, a face naming a
/// vertex out of range or a face of more than kMaxFaceCorners corners.
TriangleMesh loadObjMesh(const std::string& path, const std::string& objectName);

/// Moves `mesh` into world space: positions by `toWorld`, normals by the inverse transpose. A
/// mirroring transform keeps triangles facing outward by reversing their winding.
void placeMesh(TriangleMesh& mesh, const AffineTransform& toWorld);

}  // namespace host
