// The renderer's matrix calls: a face over geometry/matrix4.h.
#include "api/caller_vectors.h"
#include "geometry/matrix4.h"
#include "plugin/renderer.h"

extern "C" {

void AiM4Identity(Matrix4* out) {
    *out = host::matrixIdentity();
}

void AiM4RotationX(Matrix4* out, float degrees) {
    *out = host::matrixRotation(0, degrees);
}
void AiM4RotationY(Matrix4* out, float degrees) {
    *out = host::matrixRotation(1, degrees);
}
void AiM4RotationZ(Matrix4* out, float degrees) {
    *out = host::matrixRotation(2, degrees);
}

void AiM4Mult(Matrix4* out, const Matrix4* a, const Matrix4* b) {
    *out = host::matrixProduct(*a, *b);
}

void AiM4Invert(Matrix4* out, const Matrix4* in) {
    *out = host::matrixInverse(*in);
}

void AiM4PointByMatrixMult(Vector* out, const Matrix4* m, const Vector* p) {
    *out = host::pointByMatrix(*m, host::componentwise(p));
}

void AiM4VectorByMatrixMult(Vector* out, const Matrix4* m, const Vector* v) {
    *out = host::vectorByMatrix(*m, host::componentwise(v));
}

}  // extern "C"
