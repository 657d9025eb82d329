// The object node types ("sphere", "plane", "box", "mesh"): what rays hit. Each is a node of
// kind kNodeShape whose parameters begin with every object's (kObjectParams: shader,
// translate, rotate, scale); GeometryScene builds them. Then, per type:
//   sphere: radius (float, 1), centred on the object's origin
//   plane:  size (float, 100), a square of that side in the object's XZ plane, normal +Y
//   box:    nothing; a unit cube (side 1) centred on the origin, faces outward
//   mesh:   file (string, ""), a Wavefront OBJ; its vertex normals are used when it has them
// User parameters (such as "environment") may be added to any object.
#pragma once

#include "universe/node_kinds.h"
#include "universe/node_type.h"

namespace host {

inline constexpr auto kSphereParams =
    joinParams(kObjectParams, std::array{floatParam("radius", 1.0f).help("the sphere's radius")});
inline constexpr auto kPlaneParams =
    joinParams(kObjectParams, std::array{floatParam("size", 100.0f)
                                             .help("the side of the square, in the object's XZ "
                                                   "plane")});
inline constexpr auto kMeshParams = joinParams(
    kObjectParams,
    std::array{
        stringParam("file", "").help("a Wavefront OBJ file, found relative to the scene file")});
inline constexpr int kSphereRadius = paramIndex(kSphereParams, "radius", kTypeFloat);
inline constexpr int kPlaneSize = paramIndex(kPlaneParams, "size", kTypeFloat);
inline constexpr int kMeshFile = paramIndex(kMeshParams, "file", kTypeString);

/// Registers the four object types under the source "built-in". Throws HostError when one of
/// the names is already registered.
void registerObjectTypes(NodeTypeRegistry& registry);

}  // namespace host
