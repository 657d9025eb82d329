#include "geometry/triangle_mesh.h"

#include <new>
#include <utility>

#include "geometry/obj_reader.h"
#include "universe/host_error.h"

namespace host {

namespace {

/// One quad as two triangles. cross(u, v) is the outward normal, so the corners
/// c - u - v, c + u - v, c + u + v, c - u + v run counter-clockwise seen from outside.
void addQuad(TriangleMesh& mesh, const Vec3d& c, const Vec3d& u, const Vec3d& v) {
    const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
    mesh.positions.push_back(toVector(c - u - v));
    mesh.positions.push_back(toVector(c + u - v));
    mesh.positions.push_back(toVector(c + u + v));
    mesh.positions.push_back(toVector(c - u + v));
    for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) mesh.indices.push_back(base + i);
}

}  // namespace

TriangleMesh planeMesh(float size) {
    TriangleMesh mesh;
    const double h = 0.5 * static_cast<double>(size);
    addQuad(mesh, {0, 0, 0}, {0, 0, h}, {h, 0, 0});
    return mesh;
}

TriangleMesh boxMesh() {
    TriangleMesh mesh;
    const double h = 0.5;
    addQuad(mesh, {h, 0, 0}, {0, h, 0}, {0, 0, h});
    addQuad(mesh, {-h, 0, 0}, {0, 0, h}, {0, h, 0});
    addQuad(mesh, {0, h, 0}, {0, 0, h}, {h, 0, 0});
    addQuad(mesh, {0, -h, 0}, {h, 0, 0}, {0, 0, h});
    addQuad(mesh, {0, 0, h}, {h, 0, 0}, {0, h, 0});
    addQuad(mesh, {0, 0, -h}, {0, h, 0}, {h, 0, 0});
    return mesh;
}

TriangleMesh loadObjMesh(const std::string& path, const std::string& objectName) {
    const std::string where = "object '" + objectName + "': mesh file '" + path + "'";
    if (path.empty()) throw HostError("object '" + objectName + "': mesh has no \"file\"");
    try {
        return readObjFile(path, where);
    } catch (const std::bad_alloc&) {
        throw HostError(where + " does not fit in memory");
    }
}

void placeMesh(TriangleMesh& mesh, const AffineTransform& toWorld) {
    for (Vector& p : mesh.positions) p = toVector(toWorld.applyPoint(toVec3d(p)));
    AffineTransform toObject;
    const bool invertible = toWorld.invert(&toObject);
    for (Vector& n : mesh.cornerNormals) {
        // A flattened object keeps its corner normals unbent rather than losing them.
        const Vec3d moved = invertible ? toObject.applyNormalOfInverse(toVec3d(n)) : toVec3d(n);
        n = toVector(normalized(moved));
    }
    if (toWorld.determinant() < 0.0) {
        for (size_t t = 0; t < mesh.triangleCount(); ++t) {
            std::swap(mesh.indices[3 * t + 1], mesh.indices[3 * t + 2]);
            if (!mesh.cornerNormals.empty())
                std::swap(mesh.cornerNormals[3 * t + 1], mesh.cornerNormals[3 * t + 2]);
        }
    }
}

}  // namespace host
