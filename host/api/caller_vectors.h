// Reading the vectors that a plug-in hands to the renderer's calls.
#pragma once

#include "plugin/renderer.h"

namespace host {

/// `*v`, or zero for null, read one component at a time. The caller has usually just stored the
/// vector, often one component at a time or x and y as a pair, and a wider load that straddles
/// two of its stores (x and y of single stores, y and z of a pair-wise copy) waits until both
/// reach the cache. Left to itself the compiler pairs components in exactly that way.
inline Vector componentwise(const Vector* v) {
    if (!v) return Vector{0, 0, 0};
    const volatile float* c = &v->x;
    return Vector{c[0], c[1], c[2]};
}

}  // namespace host
