// A node's output as the colour a surface shows, by the output's declared type: one rule for
// what a traced ray sees on an object or in the background and for orv-shade's pictures.
#pragma once

#include <cstdint>

#include "plugin/renderer.h"

namespace host {

/// Whether an output of `type` is a colour as it stands.
inline bool isColorType(uint8_t type) {
    return type == kTypeRGB || type == kTypeRGBA;
}

/// `out`, written by a node whose output is declared `type`, as a colour: a colour as it is
/// (alpha 1 for RGB), a float, integer or boolean as grey, a vector's x, y, z as red, green,
/// blue; a type no colour can come from (pointer, string, node, none) as black. A colour costs
/// one comparison: the rest is out of the way.
inline RGBA outputColor(const ShaderValue& out, uint8_t type) {
    if (__builtin_expect(type == kTypeRGB, 1)) return RGBA{out.rgb.r, out.rgb.g, out.rgb.b, 1.0f};
    switch (type) {
        case kTypeRGBA:
            return out.rgba;
        case kTypeFloat:
            return RGBA{out.flt, out.flt, out.flt, 1.0f};
        case kTypeInt: {
            const float v = static_cast<float>(out.integer);
            return RGBA{v, v, v, 1.0f};
        }
        case kTypeUInt: {
            const float v = static_cast<float>(static_cast<uint32_t>(out.integer));
            return RGBA{v, v, v, 1.0f};
        }
        case kTypeByte: {
            // Whatever the writer stored, the byte is the lowest of the slot's first word.
            const float v = static_cast<float>(static_cast<uint32_t>(out.integer) & 0xffu);
            return RGBA{v, v, v, 1.0f};
        }
        case kTypeBoolean:
            return out.boolean ? RGBA{1, 1, 1, 1} : RGBA{0, 0, 0, 1};
        case kTypeVector:
            return RGBA{out.vec.x, out.vec.y, out.vec.z, 1.0f};
        default:
            return RGBA{0, 0, 0, 1};
    }
}

}  // namespace host
