#include "universe/value_types.h"

#include <array>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <ostream>

#include "universe/node.h"

namespace host {

namespace {

using nlohmann::json;

constexpr uint32_t bit(uint8_t code) {
    return 1u << code;
}

// Literals --------------------------------------------------------------------------------------

/// A number as a float, refusing one that a float cannot hold: read as a double first, since a
/// double beyond the float range would turn into infinity on the way.
bool readFloat(const json& number, float* out) {
    if (!number.is_number()) return false;
    const double d = number.get<double>();
    if (!(std::fabs(d) <= std::numeric_limits<float>::max())) return false;
    *out = static_cast<float>(d);
    return true;
}

bool readNumbers(const json& literal, size_t count, float* out) {
    if (!literal.is_array() || literal.size() != count) return false;
    for (size_t i = 0; i < count; ++i)
        if (!readFloat(literal[i], &out[i])) return false;
    return true;
}

/// One number for all three components, or an array of three.
bool readTriple(const json& literal, float* v) {
    if (!literal.is_number()) return readNumbers(literal, 3, v);
    if (!readFloat(literal, &v[0])) return false;
    v[1] = v[2] = v[0];
    return true;
}

bool beyondFloat(const json& number) {
    return number.is_number() &&
           !(std::fabs(number.get<double>()) <= std::numeric_limits<float>::max());
}

const char* floatRangeProblem(const json& literal) {
    bool beyond = beyondFloat(literal);
    if (literal.is_array())
        for (const json& element : literal) beyond = beyond || beyondFloat(element);
    return beyond ? "does not fit a 32-bit float (at most 3.4e38 either way)" : "";
}

// Widening --------------------------------------------------------------------------------------

/// An int or a float as a float; false for any other type.
bool scalar(const ParamValue& value, float* f) {
    if (value.type == kTypeFloat) *f = value.flt;
    if (value.type == kTypeInt) *f = static_cast<float>(value.integer);
    return value.type == kTypeFloat || value.type == kTypeInt;
}

// Text and JSON ----------------------------------------------------------------------------------

void formatFloats(std::ostream& text, const float* v, int count) {
    text << "(";
    for (int i = 0; i < count; ++i) text << (i ? ", " : "") << v[i];
    text << ")";
}

json jsonFloats(JsonNumber number, std::initializer_list<float> values) {
    json array = json::array();
    for (float v : values) array.push_back(number(v));
    return array;
}

RGBA grey(float v) {
    return RGBA{v, v, v, 1.0f};
}

// The rows ---------------------------------------------------------------------------------------

constexpr ValueType kRows[] = {
    {kTypeByte, "byte", 1, false, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr,
     [](const ShaderValue& out) {
         // Whatever the writer stored, the byte is the lowest of the slot's first word.
         return grey(static_cast<float>(static_cast<uint32_t>(out.integer) & 0xffu));
     }},
    {kTypeInt, "int", 1, false, "a whole number", 0,
     [](const json& literal, ParamValue* out) {
         if (!literal.is_number()) return false;
         const double d = literal.get<double>();
         if (d != std::floor(d) || d < std::numeric_limits<int32_t>::min() ||
             d > std::numeric_limits<int32_t>::max())
             return false;
         *out = ParamValue::makeInt(static_cast<int32_t>(d));
         return true;
     },
     [](const json& literal) {
         return literal.is_number() && std::fabs(literal.get<double>()) > 2147483647.0
                    ? "does not fit a 32-bit int"
                    : "";
     },
     [](const ParamValue& v, JsonNumber) { return json(v.integer); }, nullptr,
     [](const double* n, const char*, ParamValue* to) { to->integer = static_cast<int32_t>(n[0]); },
     [](const ShaderValue& out, ParamValue* to) { to->integer = out.integer; },
     [](const ParamValue& v, std::ostream& text) { text << v.integer; },
     [](const ShaderValue& out) { return grey(static_cast<float>(out.integer)); }},
    {kTypeUInt, "uint", 1, false, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr,
     [](const ShaderValue& out) {
         return grey(static_cast<float>(static_cast<uint32_t>(out.integer)));
     }},
    {kTypeBoolean, "bool", 1, false, "true or false", 0,
     [](const json& literal, ParamValue* out) {
         if (!literal.is_boolean()) return false;
         *out = ParamValue::makeBool(literal.get<bool>());
         return true;
     },
     nullptr, [](const ParamValue& v, JsonNumber) { return json(v.boolean); }, nullptr,
     [](const double* n, const char*, ParamValue* to) { to->boolean = n[0] != 0; },
     [](const ShaderValue& out, ParamValue* to) { to->boolean = out.boolean; },
     [](const ParamValue& v, std::ostream& text) { text << (v.boolean ? "true" : "false"); },
     [](const ShaderValue& out) {
         return out.boolean ? RGBA{1, 1, 1, 1} : RGBA{0, 0, 0, 1};
     }},
    {kTypeFloat, "float", 1, false, "a number", bit(kTypeInt),
     [](const json& literal, ParamValue* out) {
         float f;
         if (!readFloat(literal, &f)) return false;
         *out = ParamValue::makeFloat(f);
         return true;
     },
     floatRangeProblem, [](const ParamValue& v, JsonNumber number) { return number(v.flt); },
     [](const ParamValue& from, ParamValue* to) { scalar(from, &to->flt); },
     [](const double* n, const char*, ParamValue* to) { to->flt = static_cast<float>(n[0]); },
     [](const ShaderValue& out, ParamValue* to) { to->flt = out.flt; },
     [](const ParamValue& v, std::ostream& text) { text << v.flt; },
     [](const ShaderValue& out) { return grey(out.flt); }},
    {kTypeRGB, "rgb", 3, true, "a colour [r, g, b] or one number",
     bit(kTypeFloat) | bit(kTypeRGBA) | bit(kTypeInt),
     [](const json& literal, ParamValue* out) {
         float v[3];
         if (!readTriple(literal, v)) return false;
         *out = ParamValue::makeRGB(v[0], v[1], v[2]);
         return true;
     },
     floatRangeProblem,
     [](const ParamValue& v, JsonNumber number) {
         return jsonFloats(number, {v.rgb.r, v.rgb.g, v.rgb.b});
     },
     [](const ParamValue& from, ParamValue* to) {
         float f;
         if (scalar(from, &f)) to->rgb = RGB{f, f, f};
         if (from.type == kTypeRGBA) to->rgb = RGB{from.rgba.r, from.rgba.g, from.rgba.b};
     },
     [](const double* n, const char*, ParamValue* to) {
         to->rgb = RGB{float(n[0]), float(n[1]), float(n[2])};
     },
     [](const ShaderValue& out, ParamValue* to) { to->rgb = out.rgb; },
     [](const ParamValue& v, std::ostream& text) { formatFloats(text, &v.rgb.r, 3); },
     [](const ShaderValue& out) {
         return RGBA{out.rgb.r, out.rgb.g, out.rgb.b, 1.0f};
     }},
    {kTypeRGBA, "rgba", 4, true, "a colour [r, g, b, a], [r, g, b] or one number",
     bit(kTypeFloat) | bit(kTypeRGB) | bit(kTypeInt),
     [](const json& literal, ParamValue* out) {
         float v[4] = {0, 0, 0, 1};
         if (!readTriple(literal, v) && !readNumbers(literal, 4, v)) return false;
         *out = ParamValue::makeRGBA(v[0], v[1], v[2], v[3]);
         return true;
     },
     floatRangeProblem,
     [](const ParamValue& v, JsonNumber number) {
         return jsonFloats(number, {v.rgba.r, v.rgba.g, v.rgba.b, v.rgba.a});
     },
     [](const ParamValue& from, ParamValue* to) {
         float f;
         if (scalar(from, &f)) to->rgba = RGBA{f, f, f, 1.0f};
         if (from.type == kTypeRGB) to->rgba = RGBA{from.rgb.r, from.rgb.g, from.rgb.b, 1.0f};
     },
     [](const double* n, const char*, ParamValue* to) {
         to->rgba = RGBA{float(n[0]), float(n[1]), float(n[2]), float(n[3])};
     },
     [](const ShaderValue& out, ParamValue* to) { to->rgba = out.rgba; },
     [](const ParamValue& v, std::ostream& text) { formatFloats(text, &v.rgba.r, 4); },
     [](const ShaderValue& out) { return out.rgba; }},
    {kTypeVector, "vector", 3, false, "a vector [x, y, z] or one number",
     bit(kTypeFloat) | bit(kTypeRGB),
     [](const json& literal, ParamValue* out) {
         float v[3];
         if (!readTriple(literal, v)) return false;
         *out = ParamValue::makeVector(v[0], v[1], v[2]);
         return true;
     },
     floatRangeProblem,
     [](const ParamValue& v, JsonNumber number) {
         return jsonFloats(number, {v.vec.x, v.vec.y, v.vec.z});
     },
     [](const ParamValue& from, ParamValue* to) {
         // An int too, for a read of an int parameter as a vector, which no link may make.
         float f;
         if (scalar(from, &f)) to->vec = Vector{f, f, f};
         if (from.type == kTypeRGB) to->vec = Vector{from.rgb.r, from.rgb.g, from.rgb.b};
     },
     [](const double* n, const char*, ParamValue* to) {
         to->vec = Vector{float(n[0]), float(n[1]), float(n[2])};
     },
     [](const ShaderValue& out, ParamValue* to) { to->vec = out.vec; },
     [](const ParamValue& v, std::ostream& text) { formatFloats(text, &v.vec.x, 3); },
     [](const ShaderValue& out) {
         return RGBA{out.vec.x, out.vec.y, out.vec.z, 1.0f};
     }},
    {kTypeString, "string", 0, false, "a string", 0, nullptr, nullptr,
     [](const ParamValue& v, JsonNumber) { return json(v.str ? v.str : ""); }, nullptr,
     [](const double*, const char* text, ParamValue* to) { to->str = text; },
     [](const ShaderValue& out, ParamValue* to) { to->str = static_cast<const char*>(out.ptr); },
     [](const ParamValue& v, std::ostream& text) { text << '"' << (v.str ? v.str : "") << '"'; },
     nullptr},
    {kTypePointer, "pointer", 0, false, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr},
    {kTypeNode, "node", 0, false, "the name of a node", 0, nullptr, nullptr, nullptr, nullptr,
     nullptr,
     [](const ShaderValue& out, ParamValue* to) { to->node = static_cast<Node*>(out.ptr); },
     [](const ParamValue& v, std::ostream& text) {
         text << (v.node ? v.node->name : std::string("null"));
     },
     nullptr},
    {kTypeNone, "none", 0, false, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr},
    // Any other code.
    {kTypeNone, "unknown", 0, false, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr},
};

constexpr size_t kRowCount = sizeof(kRows) / sizeof(kRows[0]);

/// Row of each code, the unknown row for codes no row has.
constexpr std::array<uint8_t, 256> rowIndex() {
    std::array<uint8_t, 256> row{};
    for (uint8_t& r : row) r = static_cast<uint8_t>(kRowCount - 1);
    for (size_t i = 0; i + 1 < kRowCount; ++i) row[kRows[i].code] = static_cast<uint8_t>(i);
    return row;
}
constexpr std::array<uint8_t, 256> kIndex = rowIndex();

}  // namespace

const ValueType& valueType(uint8_t code) {
    return kRows[kIndex[code]];
}

const ValueType* valueTypesBegin() {
    return kRows;
}
const ValueType* valueTypesEnd() {
    return kRows + kRowCount;
}

}  // namespace host
