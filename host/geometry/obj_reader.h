// The Wavefront OBJ text of a mesh read in one pass, as tinyobjloader (which it replaced, for its
// silent readings of bad numbers and its speed) read it: the same floats to the bit, the same
// triangles of the same polygons, in the same order.
#pragma once

#include <string>

#include "geometry/triangle_mesh.h"

namespace host {

/// The triangles of the OBJ `text` (polygons triangulated) with their corner normals. Throws
/// HostError beginning with `where`, with the line where there is one, when a vertex position
/// or normal coordinate is not a decimal number finite as a float, a face has an index of 0, a
/// vertex index out of range or more than kMaxFaceCorners corners, or the text holds no
/// triangle. Texture coordinates, groups, objects, materials and smoothing groups are passed
/// over: objects take their shaders from the scene.
TriangleMesh parseObjText(const std::string& text, const std::string& where);

/// The same of the OBJ file `path`, read in one pass; also throws when the file is not a
/// regular file, cannot be read or holds more than kMaxTextFileBytes.
TriangleMesh readObjFile(const std::string& path, const std::string& where);

}  // namespace host
