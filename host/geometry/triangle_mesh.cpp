#include "geometry/triangle_mesh.h"

#include <tiny_obj_loader.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <utility>

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

/// Refuses a vertex position that is not a number a float holds. The OBJ loader reads "nan" as
/// 0 and 1e39 as infinity without a word, so the positions are read here first, with their
/// lines; only the three coordinates, since colours or a weight may follow them.
void checkObjVertices(const std::string& path, const std::string& where) {
    std::ifstream in(path);
    if (!in) throw HostError(where + " cannot be read: " + std::strerror(errno));
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        const char* at = line.c_str();
        while (*at == ' ' || *at == '\t') ++at;
        if (at[0] != 'v' || (at[1] != ' ' && at[1] != '\t')) continue;
        ++at;
        for (int axis = 0; axis < 3; ++axis) {
            while (*at == ' ' || *at == '\t') ++at;
            if (*at == '\0' || *at == '\r') break;  // too few coordinates: the loader's to judge
            const char* start = at;
            while (*at && *at != ' ' && *at != '\t' && *at != '\r') ++at;
            const std::string token(start, at);
            char* end = nullptr;
            const double value = std::strtod(token.c_str(), &end);
            if (end != token.c_str() + token.size() ||
                !(std::fabs(value) <= std::numeric_limits<float>::max()))
                throw HostError(where + ", line " + std::to_string(number) +
                                ": vertex coordinate '" + token.substr(0, 40) +
                                "' is not a finite number that a 32-bit float can hold");
        }
    }
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
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw HostError(where + " is a folder, not a file");
    checkObjVertices(path, where);
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    // Read from a stream with no material reader, so that its "mtllib" lines are passed over:
    // objects take their shaders from the scene, and a material path may name anything, a
    // device that never ends among them.
    std::ifstream in(path);
    if (!in) throw HostError(where + " cannot be read: " + std::strerror(errno));
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in, nullptr, true))
        throw HostError(where + " does not load" + (err.empty() ? "" : ": " + err));

    TriangleMesh mesh;
    const size_t vertexCount = attrib.vertices.size() / 3;
    mesh.positions.reserve(vertexCount);
    for (size_t i = 0; i < vertexCount; ++i)
        mesh.positions.push_back({static_cast<float>(attrib.vertices[3 * i]),
                                  static_cast<float>(attrib.vertices[3 * i + 1]),
                                  static_cast<float>(attrib.vertices[3 * i + 2])});
    const size_t normalCount = attrib.normals.size() / 3;
    bool anyNormal = false;
    std::vector<Vector> normals;
    for (const tinyobj::shape_t& shape : shapes) {
        const std::vector<tinyobj::index_t>& corners = shape.mesh.indices;
        for (size_t i = 0; i + 2 < corners.size(); i += 3) {
            bool valid = true;
            for (size_t k = 0; k < 3; ++k) {
                const int v = corners[i + k].vertex_index;
                valid = valid && v >= 0 && static_cast<size_t>(v) < vertexCount;
            }
            if (!valid) throw HostError(where + " has a face with a vertex index out of range");
            for (size_t k = 0; k < 3; ++k) {
                mesh.indices.push_back(static_cast<uint32_t>(corners[i + k].vertex_index));
                const int n = corners[i + k].normal_index;
                if (n >= 0 && static_cast<size_t>(n) < normalCount) {
                    normals.push_back({static_cast<float>(attrib.normals[3 * n]),
                                       static_cast<float>(attrib.normals[3 * n + 1]),
                                       static_cast<float>(attrib.normals[3 * n + 2])});
                    anyNormal = true;
                } else {
                    normals.push_back({0, 0, 0});
                }
            }
        }
    }
    if (mesh.indices.empty()) throw HostError(where + " holds no triangle");
    if (anyNormal) mesh.cornerNormals = std::move(normals);
    return mesh;
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
