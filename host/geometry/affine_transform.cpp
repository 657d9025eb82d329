#include "geometry/affine_transform.h"

#include <stdexcept>

namespace host {

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
    tmp.m[12] = translate.x;
    tmp.m[13] = translate.y;
    tmp.m[14] = translate.z;
    AffineTransform t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) t.matrix[r][c] = tmp.m[r * 4 + c];
    return t;
}

bool AffineTransform::isFinite() const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(matrix[r][c])) return false;
    return true;
}

bool AffineTransform::invert(AffineTransform* out) const {
    const double det = determinant();
    if (!isFinite() || !std::isfinite(det) || det == 0.0) return false;
    try {
        out->matrix = matrix.inverse(true);  // the affine path: cofactors, then the translation
    } catch (const std::invalid_argument&) {
        return false;  // too close to singular for doubles
    }
    return true;
}

}  // namespace host
