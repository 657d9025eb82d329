// Reading the vectors that a plug-in hands to the renderer's calls.
#pragma once

#include "plugin/renderer.h"

namespace host {

/// `*v`, or zero for null. Read one component at a time for speed (bench/README.md).
inline Vector componentwise(const Vector* v) {
    if (!v) return Vector{0, 0, 0};
    const volatile float* c = &v->x;
    return Vector{c[0], c[1], c[2]};
}

}  // namespace host
