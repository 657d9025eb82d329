#include "render/shade_grid.h"

#include <cmath>

#include "shading/output_color.h"

namespace host {

namespace {

float axis(const Vector& v, int i) {
    return i == 0 ? v.x : i == 1 ? v.y : v.z;
}

void setAxis(Vector& v, int i, float value) {
    (i == 0 ? v.x : i == 1 ? v.y : v.z) = value;
}

/// The fixed axis, then the one across and the one down.
void gridAxes(const ShadeGrid& grid, int* fixed, int* across, int* down) {
    *fixed = axis(grid.from, 0) == axis(grid.to, 0)   ? 0
             : axis(grid.from, 1) == axis(grid.to, 1) ? 1
                                                      : 2;
    *across = *fixed == 0 ? 1 : 0;
    *down = *fixed == 2 ? 1 : 2;
}

RGBA pixelOf(const ShaderGlobals& sg, uint8_t type, bool asLightFilter) {
    if (asLightFilter)
        return RGBA{sg.lightIntensity.r, sg.lightIntensity.g, sg.lightIntensity.b, 1};
    return outputColor(sg.out, type);
}

}  // namespace

bool setGridCorners(const Vector& from, const Vector& to, ShadeGrid* grid) {
    int equal = 0;
    for (int i = 0; i < 3; ++i) {
        equal += axis(from, i) == axis(to, i);
        if (!std::isfinite(axis(to, i) - axis(from, i))) return false;
    }
    if (equal != 1) return false;
    grid->from = from;
    grid->to = to;
    return true;
}

Vector gridNormal(const ShadeGrid& grid) {
    int fixed, across, down;
    gridAxes(grid, &fixed, &across, &down);
    Vector n{0, 0, 0};
    setAxis(n, fixed, 1.0f);
    return n;
}

ImageBuffer shadeGrid(const RenderWorld& world, Node* node, bool asLightFilter,
                      const ShadingPoint& base, const ShadeGrid& grid, int thread) {
    int fixed, across, down;
    gridAxes(grid, &fixed, &across, &down);
    ImageBuffer image(grid.width, grid.height);
    ThreadContext context(static_cast<uint8_t>(thread));
    ShadingPoint p = base;
    setAxis(p.point, fixed, axis(grid.from, fixed));
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x) {
            const float u = (x + 0.5f) / grid.width, v = (y + 0.5f) / grid.height;
            const float a0 = axis(grid.from, across), a1 = axis(grid.to, across);
            const float d0 = axis(grid.from, down), d1 = axis(grid.to, down);
            setAxis(p.point, across, a0 + (a1 - a0) * u);
            setAxis(p.point, down, d0 + (d1 - d0) * v);
            ShaderGlobals sg;
            shadePoint(context, world, node, p, SampleOrigin{uint32_t(x), uint32_t(y), 0}, &sg);
            image.at(x, y) = pixelOf(sg, node->type->outputType, asLightFilter);
        }
    return image;
}

}  // namespace host
