#include "scene/param_literal.h"

#include <cmath>
#include <limits>

namespace host {

namespace {

/// A number as a float, refusing one that a float cannot hold: read as a double first, since a
/// double beyond the float range would turn into infinity on the way.
bool readFloat(const nlohmann::json& number, float* out) {
    if (!number.is_number()) return false;
    const double d = number.get<double>();
    if (!(std::fabs(d) <= std::numeric_limits<float>::max())) return false;
    *out = static_cast<float>(d);
    return true;
}

bool readNumbers(const nlohmann::json& literal, size_t count, float* out) {
    if (!literal.is_array() || literal.size() != count) return false;
    for (size_t i = 0; i < count; ++i)
        if (!readFloat(literal[i], &out[i])) return false;
    return true;
}

bool beyondFloat(const nlohmann::json& number) {
    return number.is_number() &&
           !(std::fabs(number.get<double>()) <= std::numeric_limits<float>::max());
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
            if (!readFloat(literal, &v[0])) return false;
            *out = ParamValue::makeFloat(v[0]);
            return true;
        case kTypeRGB:
        case kTypeVector:
            if (literal.is_number()) {
                if (!readFloat(literal, &v[0])) return false;
                v[1] = v[2] = v[0];
            } else if (!readNumbers(literal, 3, v)) {
                return false;
            }
            *out = type == kTypeRGB ? ParamValue::makeRGB(v[0], v[1], v[2])
                                    : ParamValue::makeVector(v[0], v[1], v[2]);
            return true;
        case kTypeRGBA:
            if (literal.is_number()) {
                if (!readFloat(literal, &v[0])) return false;
                v[1] = v[2] = v[0];
            } else if (!readNumbers(literal, 4, v) && !readNumbers(literal, 3, v)) {
                return false;
            }
            *out = ParamValue::makeRGBA(v[0], v[1], v[2], v[3]);
            return true;
        default:
            return false;
    }
}

std::string literalRangeProblem(const nlohmann::json& literal, uint8_t type) {
    if (type == kTypeInt) {
        if (literal.is_number() && std::fabs(literal.get<double>()) > 2147483647.0)
            return "does not fit a 32-bit int";
        return "";
    }
    if (type != kTypeFloat && type != kTypeRGB && type != kTypeRGBA && type != kTypeVector)
        return "";
    bool beyond = beyondFloat(literal);
    if (literal.is_array())
        for (const nlohmann::json& element : literal) beyond = beyond || beyondFloat(element);
    return beyond ? "does not fit a 32-bit float (at most 3.4e38 either way)" : "";
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

namespace {

/// The largest cut at or before `cut` that splits no UTF-8 character.
size_t utf8Boundary(const std::string& text, size_t cut) {
    if (cut >= text.size()) return text.size();
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

/// Appends `value` as JSON to `text` until `text` reaches `budget` bytes. Each level adds at
/// least one byte, so the recursion is no deeper than the budget however deep the value is.
void appendJson(const nlohmann::json& value, size_t budget, std::string& text) {
    if (text.size() >= budget) return;
    if (value.is_array() || value.is_object()) {
        text += value.is_array() ? '[' : '{';
        bool first = true;
        for (auto it = value.begin(); it != value.end() && text.size() < budget; ++it) {
            if (!first) text += ',';
            first = false;
            if (value.is_object()) {
                appendJson(it.key(), budget, text);
                text += ':';
            }
            appendJson(it.value(), budget, text);
        }
        text += value.is_array() ? ']' : '}';
    } else if (value.is_string()) {
        // Only the head of a long string, cut between UTF-8 characters.
        const std::string& whole = value.get_ref<const std::string&>();
        text += nlohmann::json(whole.substr(0, utf8Boundary(whole, budget))).dump();
    } else {
        text += value.dump();
    }
}

}  // namespace

std::string quoteJson(const nlohmann::json& value) {
    std::string text;
    appendJson(value, 41, text);
    if (text.size() > 40) text = text.substr(0, utf8Boundary(text, 37)) + "...";
    return text;
}

}  // namespace host
