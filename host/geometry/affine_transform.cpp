#include "geometry/affine_transform.h"

namespace host {

AffineTransform AffineTransform::identity() {
    AffineTransform t{};
    t.linear[0][0] = t.linear[1][1] = t.linear[2][2] = 1.0;
    return t;
}

AffineTransform AffineTransform::fromTRS(const Vector& translate, const Vector& rotateDegrees,
                                         const Vector& scale) {
    // The renderer's own rotation matrices, so that objects turn as matrices built by shaders do.
    Matrix4 s, rx, ry, rz, m, tmp;
    AiM4Identity(&s);
    s.m[0] = scale.x;
    s.m[5] = scale.y;
    s.m[10] = scale.z;
    AiM4RotationX(&rx, rotateDegrees.x);
    AiM4RotationY(&ry, rotateDegrees.y);
    AiM4RotationZ(&rz, rotateDegrees.z);
    AiM4Mult(&tmp, &s, &rx);
    AiM4Mult(&m, &tmp, &ry);
    AiM4Mult(&tmp, &m, &rz);
    AffineTransform t{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t.linear[r][c] = tmp.m[r * 4 + c];
    t.translation = toVec3d(translate);
    return t;
}

double AffineTransform::determinant() const {
    const auto& a = linear;
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

bool AffineTransform::isFinite() const {
    for (const auto& row : linear)
        for (double v : row)
            if (!std::isfinite(v)) return false;
    return std::isfinite(translation.x) && std::isfinite(translation.y) &&
           std::isfinite(translation.z);
}

bool AffineTransform::invert(AffineTransform* out) const {
    const double det = determinant();
    if (!isFinite() || !std::isfinite(det) || det == 0.0) return false;
    const auto& a = linear;
    const double r = 1.0 / det;
    AffineTransform inv{};
    inv.linear[0][0] = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) * r;
    inv.linear[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * r;
    inv.linear[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * r;
    inv.linear[1][0] = (a[1][2] * a[2][0] - a[1][0] * a[2][2]) * r;
    inv.linear[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * r;
    inv.linear[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * r;
    inv.linear[2][0] = (a[1][0] * a[2][1] - a[1][1] * a[2][0]) * r;
    inv.linear[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * r;
    inv.linear[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * r;
    // p = q A + t  =>  q = p A^-1 - t A^-1
    const Vec3d shifted = inv.applyVector(translation);
    inv.translation = {-shifted.x, -shifted.y, -shifted.z};
    *out = inv;
    return true;
}

}  // namespace host
