#include "geometry/affine_transform.h"

#include <stdexcept>

#include "geometry/matrix4.h"

namespace host {

AffineTransform AffineTransform::fromTRS(const Vector& translate, const Vector& rotateDegrees,
                                         const Vector& scale) {
    // The rotations of the renderer's matrix calls, so that objects turn as shaders' matrices do.
    Matrix4 s = matrixIdentity();
    s.m[0] = scale.x;
    s.m[5] = scale.y;
    s.m[10] = scale.z;
    Matrix4 tmp = matrixProduct(s, matrixRotation(0, rotateDegrees.x));
    tmp = matrixProduct(tmp, matrixRotation(1, rotateDegrees.y));
    tmp = matrixProduct(tmp, matrixRotation(2, rotateDegrees.z));
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
