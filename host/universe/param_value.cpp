#include "universe/param_value.h"

#include <sstream>

#include "universe/value_types.h"

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
    return valueType(type).name;
}

bool canConvert(uint8_t from, uint8_t to) {
    return from == to || (from < 32 && (valueType(to).widensFrom >> from & 1u));
}

ParamValue convert(const ParamValue& value, uint8_t to) {
    if (value.type == to) return value;
    ParamValue out;
    out.type = to;
    if (const auto widen = valueType(to).widen) widen(value, &out);
    return out;
}

ParamValue fromShaderValue(const ShaderValue& out, uint8_t type) {
    ParamValue p;
    p.type = type;
    if (const auto read = valueType(type).readSlot) read(out, &p);
    return p;
}

std::string formatValue(const ParamValue& value) {
    std::ostringstream s;
    if (const auto format = valueType(value.type).format)
        format(value, s);
    else
        s << "?";
    return s.str();
}

}  // namespace host
