#include "scene/param_literal.h"

#include <cmath>
#include <limits>

namespace host {

namespace {

bool readNumbers(const nlohmann::json& literal, size_t count, float* out) {
    if (!literal.is_array() || literal.size() != count) return false;
    for (size_t i = 0; i < count; ++i) {
        if (!literal[i].is_number()) return false;
        out[i] = literal[i].get<float>();
    }
    return true;
}

}  // namespace

bool readParamLiteral(const nlohmann::json& literal, uint8_t type, ParamValue* out) {
    float v[4] = {0, 0, 0, 1};
    switch (type) {
        case kTypeBoolean:
            if (!literal.is_boolean()) return false;
            *out = ParamValue::makeBool(literal.get<bool>());
            return true;
        case kTypeInt: {
            if (!literal.is_number()) return false;
            const double d = literal.get<double>();
            if (d != std::floor(d) || d < std::numeric_limits<int32_t>::min() ||
                d > std::numeric_limits<int32_t>::max())
                return false;
            *out = ParamValue::makeInt(static_cast<int32_t>(d));
            return true;
        }
        case kTypeFloat:
            if (!literal.is_number()) return false;
            *out = ParamValue::makeFloat(literal.get<float>());
            return true;
        case kTypeRGB:
        case kTypeVector:
            if (literal.is_number()) {
                v[0] = v[1] = v[2] = literal.get<float>();
            } else if (!readNumbers(literal, 3, v)) {
                return false;
            }
            *out = type == kTypeRGB ? ParamValue::makeRGB(v[0], v[1], v[2])
                                    : ParamValue::makeVector(v[0], v[1], v[2]);
            return true;
        case kTypeRGBA:
            if (literal.is_number()) {
                v[0] = v[1] = v[2] = literal.get<float>();
            } else if (!readNumbers(literal, 4, v) && !readNumbers(literal, 3, v)) {
                return false;
            }
            *out = ParamValue::makeRGBA(v[0], v[1], v[2], v[3]);
            return true;
        default:
            return false;
    }
}

std::string describeLiteral(uint8_t type) {
    switch (type) {
        case kTypeBoolean:
            return "true or false";
        case kTypeInt:
            return "a whole number";
        case kTypeFloat:
            return "a number";
        case kTypeRGB:
            return "a colour [r, g, b] or one number";
        case kTypeRGBA:
            return "a colour [r, g, b, a], [r, g, b] or one number";
        case kTypeVector:
            return "a vector [x, y, z] or one number";
        case kTypeString:
            return "a string";
        case kTypeNode:
            return "the name of a node";
        default:
            return std::string("a value of type ") + typeName(type);
    }
}

std::string quoteJson(const nlohmann::json& value) {
    std::string text = value.dump();
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return text;
}

}  // namespace host
