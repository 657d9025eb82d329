// 4x4 matrices in the row-vector convention: p' = p x M, translation in entries 12, 13, 14.
#include <cmath>
#include <limits>

#include "api/caller_vectors.h"
#include "plugin/renderer.h"

namespace {

float& at(Matrix4* m, int row, int column) {
    return m->m[row * 4 + column];
}
float at(const Matrix4* m, int row, int column) {
    return m->m[row * 4 + column];
}

void rotation(Matrix4* out, float degrees, int axisA, int axisB) {
    // Rotates axis A towards axis B: (A, B) rows hold (c, s) and (-s, c).
    const double radians = static_cast<double>(degrees) * (M_PI / 180.0);
    const float c = static_cast<float>(std::cos(radians));
    const float s = static_cast<float>(std::sin(radians));
    AiM4Identity(out);
    at(out, axisA, axisA) = c;
    at(out, axisA, axisB) = s;
    at(out, axisB, axisA) = -s;
    at(out, axisB, axisB) = c;
}

}  // namespace

extern "C" {

void AiM4Identity(Matrix4* out) {
    for (int i = 0; i < 16; ++i) out->m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void AiM4RotationX(Matrix4* out, float degrees) {
    rotation(out, degrees, 1, 2);
}
void AiM4RotationY(Matrix4* out, float degrees) {
    rotation(out, degrees, 2, 0);
}
void AiM4RotationZ(Matrix4* out, float degrees) {
    rotation(out, degrees, 0, 1);
}

void AiM4Mult(Matrix4* out, const Matrix4* a, const Matrix4* b) {
    Matrix4 product;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += at(a, row, k) * at(b, k, column);
            at(&product, row, column) = sum;
        }
    *out = product;
}

void AiM4Invert(Matrix4* out, const Matrix4* in) {
    // Gauss-Jordan elimination with partial pivoting, in double precision.
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = at(in, r, c);
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    bool singular = false;
    for (int col = 0; col < 4 && !singular; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (!(std::fabs(a[pivot][col]) > 0.0) || !std::isfinite(a[pivot][col])) {
            singular = true;
            break;
        }
        if (pivot != col)
            for (int c = 0; c < 8; ++c) std::swap(a[pivot][c], a[col][c]);
        const double scale = 1.0 / a[col][col];
        for (int c = 0; c < 8; ++c) a[col][c] *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            const double factor = a[r][col];
            for (int c = 0; c < 8; ++c) a[r][c] -= factor * a[col][c];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const float v = static_cast<float>(a[r][c + 4]);
            at(out, r, c) =
                singular || !std::isfinite(v) ? std::numeric_limits<float>::quiet_NaN() : v;
        }
}

void AiM4PointByMatrixMult(Vector* out, const Matrix4* m, const Vector* point) {
    const Vector in = host::componentwise(point);
    const float x = in.x * at(m, 0, 0) + in.y * at(m, 1, 0) + in.z * at(m, 2, 0) + at(m, 3, 0);
    const float y = in.x * at(m, 0, 1) + in.y * at(m, 1, 1) + in.z * at(m, 2, 1) + at(m, 3, 1);
    const float z = in.x * at(m, 0, 2) + in.y * at(m, 1, 2) + in.z * at(m, 2, 2) + at(m, 3, 2);
    const float w = in.x * at(m, 0, 3) + in.y * at(m, 1, 3) + in.z * at(m, 2, 3) + at(m, 3, 3);
    if (w == 1.0f || w == 0.0f) {
        *out = Vector{x, y, z};
    } else {
        const float inv = 1.0f / w;
        *out = Vector{x * inv, y * inv, z * inv};
    }
}

void AiM4VectorByMatrixMult(Vector* out, const Matrix4* m, const Vector* v) {
    const Vector in = host::componentwise(v);
    out->x = in.x * at(m, 0, 0) + in.y * at(m, 1, 0) + in.z * at(m, 2, 0);
    out->y = in.x * at(m, 0, 1) + in.y * at(m, 1, 1) + in.z * at(m, 2, 1);
    out->z = in.x * at(m, 0, 2) + in.y * at(m, 1, 2) + in.z * at(m, 2, 2);
}

}  // extern "C"
