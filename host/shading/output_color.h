// A node's output as the colour a surface shows, by the output's declared type: one rule for
// what a traced ray sees on an object or in the background and for orv-shade's pictures.
#pragma once

#include <cstdint>

#include "plugin/renderer.h"
#include "universe/value_types.h"

namespace host {

/// Whether an output of `type` is a colour as it stands.
inline bool isColorType(uint8_t type) {
    return valueType(type).isColor;
}

/// `out`, written by a node whose output is declared `type`, as a colour: the type's display
/// colour (a colour as it is, alpha 1 for RGB; a number as grey; a vector's x, y, z as red,
/// green, blue; black for what no colour comes from). RGB, the common case, first for speed.
inline RGBA outputColor(const ShaderValue& out, uint8_t type) {
    if (__builtin_expect(type == kTypeRGB, 1)) return RGBA{out.rgb.r, out.rgb.g, out.rgb.b, 1.0f};
    const auto display = valueType(type).displayColor;
    return display ? display(out) : RGBA{0, 0, 0, 1};
}

}  // namespace host
