#include "geometry/triangle_mesh.h"

#include <tiny_obj_loader.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <utility>

#include "universe/host_error.h"
#include "universe/text_file.h"

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

/// Whether `token` is a number as the OBJ loader reads it: an optional sign, digits with an
/// optional point (or a point and digits), an optional exponent. It reads anything else, "nan",
/// "inf" and "0x10" among them, as 0 or as far as it gets, without a word.
bool isDecimal(const std::string& token) {
    const char* at = token.c_str();
    auto digits = [&at] {
        const char* start = at;
        while (*at >= '0' && *at <= '9') ++at;
        return at != start;
    };
    if (*at == '+' || *at == '-') ++at;
    bool any = digits();
    if (*at == '.') {
        ++at;
        any = digits() || any;
    }
    if (!any) return false;
    if (*at == 'e' || *at == 'E') {
        ++at;
        if (*at == '+' || *at == '-') ++at;
        if (!digits()) return false;
    }
    return *at == '\0';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

/// Refuses what the OBJ loader would take silently or slowly, with the line: a vertex position
/// or normal that is not a decimal number a float holds (it reads "nan" and "0x10" as 0, 1e39
/// as infinity; only the first three numbers, since colours or a weight may follow), and a face
/// of more than kMaxFaceCorners corners, which it triangulates in time growing as their square.
void checkObjText(const std::string& path, const std::string& where) {
    std::ifstream in(path);
    if (!in) throw HostError(where + " cannot be read: " + std::strerror(errno));
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        const char* at = line.c_str();
        while (isBlank(*at)) ++at;
        const bool position = at[0] == 'v' && isBlank(at[1]);
        const bool normal = at[0] == 'v' && at[1] == 'n' && isBlank(at[2]);
        const bool face = at[0] == 'f' && isBlank(at[1]);
        if (!position && !normal && !face) continue;
        at += normal ? 2 : 1;
        size_t corners = 0;
        for (int axis = 0; face || axis < 3; ++axis) {
            while (isBlank(*at)) ++at;
            if (*at == '\0') break;  // too few coordinates: the loader's to judge
            const char* start = at;
            while (*at && !isBlank(*at)) ++at;
            if (face) {
                if (++corners > kMaxFaceCorners)
                    throw HostError(where + ", line " + std::to_string(number) +
                                    ": a face of more than " + std::to_string(kMaxFaceCorners) +
                                    " corners; split it into smaller faces");
                continue;
            }
            const std::string token(start, at);
            if (!isDecimal(token) || !(std::fabs(std::strtod(token.c_str(), nullptr)) <=
                                       std::numeric_limits<float>::max()))
                throw HostError(where + ", line " + std::to_string(number) + ": " +
                                (normal ? "normal" : "vertex") + " coordinate '" +
                                token.substr(0, 40) +
                                "' is not a finite decimal number that a 32-bit float can hold");
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

namespace {

TriangleMesh readObjMesh(const std::string& path, const std::string& where) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status)) throw HostError(where + " is a folder, not a file");
    // A device or FIFO never ends or never starts.
    if (fs::exists(status) && !fs::is_regular_file(status))
        throw HostError(where + " is not a regular file");
    if (const auto size = fs::file_size(path, ec); !ec && size > kMaxTextFileBytes)
        throw HostError(where + " is larger than " + std::to_string(kMaxTextFileBytes >> 20) +
                        " MiB, the most read of a mesh, as of a scene");
    checkObjText(path, where);
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

}  // namespace

TriangleMesh loadObjMesh(const std::string& path, const std::string& objectName) {
    const std::string where = "object '" + objectName + "': mesh file '" + path + "'";
    if (path.empty()) throw HostError("object '" + objectName + "': mesh has no \"file\"");
    try {
        return readObjMesh(path, where);
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
