#include "geometry/matrix4.h"

#include <Imath/ImathMatrix.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace host {

namespace {

static_assert(sizeof(Matrix4) == sizeof(Imath::M44f), "Matrix4 is sixteen packed floats");

Imath::M44f toImath(const Matrix4& m) {
    Imath::M44f out(Imath::UNINITIALIZED);
    std::memcpy(&out.x[0][0], m.m, sizeof(m.m));
    return out;
}

Matrix4 fromImath(const Imath::M44f& m) {
    Matrix4 out;
    std::memcpy(out.m, &m.x[0][0], sizeof(out.m));
    return out;
}

}  // namespace

Matrix4 matrixIdentity() {
    return fromImath(Imath::M44f());
}

Matrix4 matrixRotation(int axis, float degrees) {
    // Turns axis A towards axis B: rows A and B hold (c, s) and (-s, c). Built by hand rather
    // than with Imath's Euler rotation for the NaN case.
    const int axisA = (axis + 1) % 3, axisB = (axis + 2) % 3;
    const double radians = static_cast<double>(degrees) * (M_PI / 180.0);
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    Imath::M44f m;
    m[axisA][axisA] = c;
    m[axisA][axisB] = s;
    m[axisB][axisA] = -s;
    m[axisB][axisB] = c;
    return fromImath(m);
}

Matrix4 matrixProduct(const Matrix4& a, const Matrix4& b) {
    return fromImath(toImath(a) * toImath(b));
}

Matrix4 matrixInverse(const Matrix4& in) {
    const Imath::M44d m(toImath(in));
    bool usable = true;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) usable = usable && std::isfinite(m[r][c]);
    Imath::M44f inverse;
    try {
        if (usable) inverse = Imath::M44f(m.gjInverse(true));
    } catch (const std::invalid_argument&) {
        usable = false;
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) usable = usable && std::isfinite(inverse[r][c]);
    if (!usable) inverse = Imath::M44f(std::numeric_limits<float>::quiet_NaN());
    return fromImath(inverse);
}

}  // namespace host
