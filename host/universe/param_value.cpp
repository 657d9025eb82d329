#include "universe/param_value.h"

#include <sstream>

#include "universe/node.h"

namespace host {

ParamValue ParamValue::makeBool(bool v) {
    ParamValue p;
    p.type = kTypeBoolean;
    p.boolean = v;
    return p;
}
ParamValue ParamValue::makeInt(int32_t v) {
    ParamValue p;
    p.type = kTypeInt;
    p.integer = v;
    return p;
}
ParamValue ParamValue::makeFloat(float v) {
    ParamValue p;
    p.type = kTypeFloat;
    p.flt = v;
    return p;
}
ParamValue ParamValue::makeRGB(float r, float g, float b) {
    ParamValue p;
    p.type = kTypeRGB;
    p.rgb = RGB{r, g, b};
    return p;
}
ParamValue ParamValue::makeRGBA(float r, float g, float b, float a) {
    ParamValue p;
    p.type = kTypeRGBA;
    p.rgba = RGBA{r, g, b, a};
    return p;
}
ParamValue ParamValue::makeVector(float x, float y, float z) {
    ParamValue p;
    p.type = kTypeVector;
    p.vec = Vector{x, y, z};
    return p;
}
ParamValue ParamValue::makeNode(Node* n) {
    ParamValue p;
    p.type = kTypeNode;
    p.node = n;
    return p;
}

ParamValue ParamValue::makeString(const char* s) {
    ParamValue p;
    p.type = kTypeString;
    p.str = s;
    return p;
}

const char* typeName(uint8_t type) {
    switch (type) {
        case kTypeByte:
            return "byte";
        case kTypeInt:
            return "int";
        case kTypeUInt:
            return "uint";
        case kTypeBoolean:
            return "bool";
        case kTypeFloat:
            return "float";
        case kTypeRGB:
            return "rgb";
        case kTypeRGBA:
            return "rgba";
        case kTypeVector:
            return "vector";
        case kTypeString:
            return "string";
        case kTypePointer:
            return "pointer";
        case kTypeNode:
            return "node";
        case kTypeNone:
            return "none";
        default:
            return "unknown";
    }
}

bool canConvert(uint8_t from, uint8_t to) {
    if (from == to) return true;
    switch (to) {
        case kTypeFloat:
            return from == kTypeInt;
        case kTypeRGB:
            return from == kTypeFloat || from == kTypeRGBA || from == kTypeInt;
        case kTypeRGBA:
            return from == kTypeFloat || from == kTypeRGB || from == kTypeInt;
        case kTypeVector:
            return from == kTypeFloat || from == kTypeRGB;
        default:
            return false;
    }
}

ParamValue convert(const ParamValue& value, uint8_t to) {
    if (value.type == to) return value;
    float f = 0.0f;
    if (value.type == kTypeFloat) f = value.flt;
    if (value.type == kTypeInt) f = static_cast<float>(value.integer);
    const bool scalar = value.type == kTypeFloat || value.type == kTypeInt;
    switch (to) {
        case kTypeFloat:
            return ParamValue::makeFloat(f);
        case kTypeRGB:
            if (scalar) return ParamValue::makeRGB(f, f, f);
            if (value.type == kTypeRGBA)
                return ParamValue::makeRGB(value.rgba.r, value.rgba.g, value.rgba.b);
            break;
        case kTypeRGBA:
            if (scalar) return ParamValue::makeRGBA(f, f, f, 1.0f);
            if (value.type == kTypeRGB)
                return ParamValue::makeRGBA(value.rgb.r, value.rgb.g, value.rgb.b, 1.0f);
            break;
        case kTypeVector:
            if (scalar) return ParamValue::makeVector(f, f, f);
            if (value.type == kTypeRGB)
                return ParamValue::makeVector(value.rgb.r, value.rgb.g, value.rgb.b);
            break;
        default:
            break;
    }
    ParamValue zero;
    zero.type = to;
    return zero;
}

ParamValue fromShaderValue(const ShaderValue& out, uint8_t type) {
    ParamValue p;
    p.type = type;
    switch (type) {
        case kTypeBoolean:
            p.boolean = out.boolean;
            break;
        case kTypeInt:
            p.integer = out.integer;
            break;
        case kTypeFloat:
            p.flt = out.flt;
            break;
        case kTypeRGB:
            p.rgb = out.rgb;
            break;
        case kTypeRGBA:
            p.rgba = out.rgba;
            break;
        case kTypeVector:
            p.vec = out.vec;
            break;
        case kTypeNode:
            p.node = static_cast<Node*>(out.ptr);
            break;
        case kTypeString:
            p.str = static_cast<const char*>(out.ptr);
            break;
        default:
            break;
    }
    return p;
}

std::string formatValue(const ParamValue& value) {
    std::ostringstream s;
    switch (value.type) {
        case kTypeBoolean:
            s << (value.boolean ? "true" : "false");
            break;
        case kTypeInt:
            s << value.integer;
            break;
        case kTypeFloat:
            s << value.flt;
            break;
        case kTypeRGB:
            s << "(" << value.rgb.r << ", " << value.rgb.g << ", " << value.rgb.b << ")";
            break;
        case kTypeRGBA:
            s << "(" << value.rgba.r << ", " << value.rgba.g << ", " << value.rgba.b << ", "
              << value.rgba.a << ")";
            break;
        case kTypeVector:
            s << "(" << value.vec.x << ", " << value.vec.y << ", " << value.vec.z << ")";
            break;
        case kTypeNode:
            s << (value.node ? value.node->name : std::string("null"));
            break;
        case kTypeString:
            s << '"' << (value.str ? value.str : "") << '"';
            break;
        default:
            s << "?";
            break;
    }
    return s.str();
}

}  // namespace host
