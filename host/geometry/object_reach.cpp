#include "geometry/object_reach.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "geometry/object_types.h"
#include "universe/node.h"

namespace host {

namespace {

/// The largest magnitude of a coordinate of `points` placed by `toWorld`, each rounded to a
/// float as the ray tracer is given it.
double pointsReach(const std::vector<Vector>& points, const AffineTransform& toWorld) {
    double reach = 0.0;
    for (const Vector& p : points) {
        const Vector placed = toVector(toWorld.applyPoint(toVec3d(p)));
        reach = std::max({reach, std::fabs(double(placed.x)), std::fabs(double(placed.y)),
                          std::fabs(double(placed.z))});
    }
    return reach;
}

/// The corners of a plane of side `size` or of the unit box.
std::vector<Vector> corners(bool plane, float size) {
    const float h = plane ? 0.5f * size : 0.5f;
    std::vector<Vector> points;
    for (float x : {-h, h})
        for (float z : {-h, h})
            if (plane)
                points.push_back({x, 0.0f, z});
            else
                for (float y : {-h, h}) points.push_back({x, y, z});
    return points;
}

}  // namespace

SphereBounds sphereBounds(const AffineTransform& toWorld, double radius) {
    const Vec3d c = toWorld.translation();
    // The image of the sphere reaches r |column j of the linear part| along world axis j.
    double extent[3];
    for (int j = 0; j < 3; ++j) {
        const double a = toWorld.matrix[0][j], b = toWorld.matrix[1][j], d = toWorld.matrix[2][j];
        extent[j] = radius * std::sqrt(a * a + b * b + d * d);
    }
    const double pad = 1e-6 * (std::fabs(c.x) + std::fabs(c.y) + std::fabs(c.z) + extent[0] +
                               extent[1] + extent[2]);
    const double centre[3] = {c.x, c.y, c.z};
    SphereBounds bounds;
    for (int j = 0; j < 3; ++j) {
        bounds.lower[j] = static_cast<float>(centre[j] - extent[j] - pad);
        bounds.upper[j] = static_cast<float>(centre[j] + extent[j] + pad);
    }
    return bounds;
}

const char* paramBeyondReach(const Node& object, const std::vector<Vector>* meshPositions,
                             double* reach) {
    const std::string& type = object.type->name;
    const Vector& translate = object.values[kObjectTranslate].vec;
    const Vector& rotate = object.values[kObjectRotate].vec;
    const Vector& scale = object.values[kObjectScale].vec;
    const char* size = nullptr;
    std::function<double(const AffineTransform&)> reachOf;
    std::vector<Vector> points;
    if (type == "sphere") {
        size = "radius";
        const float radius = object.values[kSphereRadius].flt;
        if (!(radius > 0.0f)) return nullptr;  // left out of the geometry: nothing to hold
        reachOf = [radius](const AffineTransform& toWorld) {
            const SphereBounds b = sphereBounds(toWorld, radius);
            double most = 0.0;
            for (int j = 0; j < 3; ++j)
                most =
                    std::max({most, std::fabs(double(b.lower[j])), std::fabs(double(b.upper[j]))});
            return most;
        };
    } else if (type == "plane" || type == "box") {
        const bool plane = type == "plane";
        if (plane) size = "size";
        points = corners(plane, plane ? object.values[kPlaneSize].flt : 1.0f);
    } else if (type == "mesh" && meshPositions) {
        size = "file";
        points = *meshPositions;
    } else {
        return nullptr;
    }
    if (!reachOf)
        reachOf = [&points](const AffineTransform& toWorld) {
            return pointsReach(points, toWorld);
        };

    const Vector zero{0, 0, 0};
    // Not `< kLargestCoordinate` alone: a NaN reach is out of reach too.
    auto within = [](double r) { return r < static_cast<double>(kLargestCoordinate); };
    *reach = reachOf(AffineTransform::fromTRS(translate, rotate, scale));
    if (within(*reach)) return nullptr;
    if (within(reachOf(AffineTransform::fromTRS(zero, rotate, scale)))) return "translate";
    return !size || within(reachOf(AffineTransform::identity())) ? "scale" : size;
}

std::string reachProblem(double reach) {
    std::ostringstream text;
    text << "puts part of the object " << reach
         << " from the origin along an axis, beyond what the ray tracer holds (coordinates below "
         << kLargestCoordinate << "): expected a smaller value";
    return text.str();
}

}  // namespace host
