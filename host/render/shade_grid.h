// Pictures of a node: its values over a rectangle of points, as an image (orv-shade --grid).
#pragma once

#include "render/image_buffer.h"
#include "render/point_shading.h"

namespace host {

/// An axis-aligned rectangle between two corners that share one coordinate, sampled at the
/// centres of width x height cells. `from` is the image's top-left corner: the first axis
/// that varies runs across the image, the second down it.
struct ShadeGrid {
    Vector from{0, 0, 0}, to{0, 0, 0};
    int width = 0, height = 0;
};

/// Sets the corners; false, with `grid` as it was, unless exactly one coordinate is equal in
/// both and the rectangle's sides are finite floats (corners far apart may still overflow).
bool setGridCorners(const Vector& from, const Vector& to, ShadeGrid* grid);

/// The unit normal along the axis the rectangle does not span, pointing to +.
Vector gridNormal(const ShadeGrid& grid);

/// Evaluates `node` at each cell centre of `grid`, each a fresh sample with `base`'s normals,
/// ray direction, light intensity and object, and gives the values as an image: a colour as
/// it is, a float, integer or boolean as grey, a vector's x, y, z as r, g, b; for a light
/// filter, the filtered intensity. Alpha is 1, or an RGBA output's own.
ImageBuffer shadeGrid(const RenderWorld& world, Node* node, bool asLightFilter,
                      const ShadingPoint& base, const ShadeGrid& grid, int thread = 0);

}  // namespace host
