// A typed parameter value, as declared, stored on a node, or produced by a node.
#pragma once

#include <string>

#include "plugin/renderer.h"

namespace host {

struct ParamValue {
    uint8_t type = kTypeNone;
    union {
        bool boolean;
        int32_t integer;
        float flt;
        RGB rgb;
        RGBA rgba;
        Vector vec;
        Node* node;
        const char* str;  ///< owned by the universe's string pool
    };

    ParamValue() : rgba{0, 0, 0, 0} {}
    static ParamValue makeBool(bool v);
    static ParamValue makeInt(int32_t v);
    static ParamValue makeFloat(float v);
    static ParamValue makeRGB(float r, float g, float b);
    static ParamValue makeRGBA(float r, float g, float b, float a);
    static ParamValue makeVector(float x, float y, float z);
    static ParamValue makeNode(Node* n);
    /// `s` must outlive the value (see Universe::intern).
    static ParamValue makeString(const char* s);
};

/// "int", "float", "rgb", ...: the names scene files and tools use for type codes.
const char* typeName(uint8_t type);

/// Whether a value of type `from` may feed a parameter of type `to`: the same type, or a
/// widening (int to float; float to rgb, rgba and vector; rgb to rgba and back; rgb to vector).
bool canConvert(uint8_t from, uint8_t to);

/// `value` as type `to`; the caller has checked canConvert. Unconvertible values give zero.
ParamValue convert(const ParamValue& value, uint8_t to);

/// Reads a node's output slot as a value of the node's output type.
ParamValue fromShaderValue(const ShaderValue& out, uint8_t type);

/// Human-readable form, for tools and error messages: "1", "0.5", "(1, 0, 0)".
std::string formatValue(const ParamValue& value);

}  // namespace host
