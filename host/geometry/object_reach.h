// How far an object reaches in world space, against what the ray tracer can hold: an object
// beyond it would be left out of every picture without a word, so it is refused instead.
#pragma once

#include <string>
#include <vector>

#include "geometry/affine_transform.h"
#include "plugin/renderer.h"

namespace host {

/// Embree leaves out every primitive with a world coordinate of this magnitude or more, and the
/// host refuses rays with a larger component, for the same reason. Measured on Embree 3.13: a
/// triangle corner, or a user primitive's bound, at 1.84399988e18 is hit; at 1.84400002e18 (the
/// float nearest 1.844e18) it is not.
constexpr float kLargestCoordinate = 1.844e18f;

/// World-space box of a sphere of `radius` placed by `toWorld`, as the ray tracer is given it:
/// widened by a float's rounding, so that hits on the rim are not culled.
struct SphereBounds {
    float lower[3], upper[3];
};
SphereBounds sphereBounds(const AffineTransform& toWorld, double radius);

/// For a sphere, plane, box or mesh (of object-space `meshPositions`): the parameter that puts
/// some of it at a world coordinate the ray tracer cannot hold, or null when all of it is
/// within reach (and for other types): "translate" when the object would fit placed at the
/// origin, else "scale" when it fits unplaced, else its own size ("radius", "size", or a mesh's
/// "file"). `reach` gets the largest magnitude of a coordinate.
const char* paramBeyondReach(const Node& object, const std::vector<Vector>* meshPositions,
                             double* reach);

/// What paramBeyondReach's answer means, for a message: "puts part of the object N from the
/// origin along an axis, beyond ...".
std::string reachProblem(double reach);

}  // namespace host
