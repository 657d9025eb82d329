// The object node types ("sphere", "plane", "box", "mesh"): what rays hit. Each is a node of
// kind kNodeShape with a surface "shader" and a transform; GeometryScene builds them.
//
// Common parameters, in this order:
//   shader    (node, none)     shades every hit on the object; none shades black
//   translate (vector, 0)      world-space offset
//   rotate    (vector, 0)      degrees about X, then Y, then Z
//   scale     (vector, 1)      applied first, in object space
// Then, per type:
//   sphere: radius (float, 1), centred on the object's origin
//   plane:  size (float, 100), a square of that side in the object's XZ plane, normal +Y
//   box:    nothing; a unit cube (side 1) centred on the origin, faces outward
//   mesh:   file (string, ""), a Wavefront OBJ; its vertex normals are used when it has them
// User parameters (such as "environment") may be added to any object.
#pragma once

#include "universe/node_type.h"

namespace host {

/// Parameter indices shared by every object type.
enum ObjectParam : int {
    kObjectShader = 0,
    kObjectTranslate = 1,
    kObjectRotate = 2,
    kObjectScale = 3,
    kObjectFirstOwnParam = 4,  ///< radius, size or file
};

/// Registers the four object types under the source "built-in". Throws HostError when one of
/// the names is already registered.
void registerObjectTypes(NodeTypeRegistry& registry);

}  // namespace host
