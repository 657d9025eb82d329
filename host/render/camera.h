// A pinhole perspective camera: pixel positions to world-space ray directions.
#pragma once

#include "plugin/renderer.h"

namespace host {

struct Camera {
    Vector position;
    Vector right;    ///< world step for one pixel to the right
    Vector down;     ///< world step for one pixel down
    Vector topLeft;  ///< direction through the image's top-left corner, at unit distance
};

/// A camera at `position` looking at `lookAt`, `up` towards the top of the image, with `fov`
/// degrees across the image's shorter side, for an image of width x height pixels. The caller
/// has checked that the view direction is not zero and that `up` is not along it.
Camera makeCamera(const Vector& position, const Vector& lookAt, const Vector& up, float fovDegrees,
                  int width, int height);

/// Unit direction through the image point (x, y), in pixels from the top-left corner (pixel
/// (i, j) covers [i, i+1) x [j, j+1)).
Vector cameraDirection(const Camera& camera, float x, float y);

}  // namespace host
