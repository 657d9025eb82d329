// Parameter tables: one constant table per node type that both declares the parameters and
// gives the indices by which evaluation reads them back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "plugin/renderer.h"

namespace orv {

constexpr float kNoLimit = std::numeric_limits<float>::quiet_NaN();

/// One parameter as a node type declares it. The row's place in its table is its index. The
/// columns after the default are what the renderer may check scenes against and show users;
/// they are set with the modifiers below: intParam("bType", 0).once().named("0 card, ...", "...")
/// .help("the shape that blocks").
struct ParamTableEntry {
    const char* name;
    uint8_t type;     ///< kTypeBoolean, kTypeInt, kTypeFloat, kTypeRGB, kTypeRGBA or kTypeVector
    int32_t integer;  ///< default of a boolean (0 or 1) or integer
    float values[4];  ///< default of a float (values[0]), colour or vector
    bool oncePerUpdate = false;       ///< read at the set-up after an update, not per sample
    float min = kNoLimit;             ///< lowest value the node means; NaN for none
    float max = kNoLimit;             ///< highest value the node means; NaN for none
    const char* names = nullptr;      ///< the meaningful values, "0 card, 1 sphere, ..."
    const char* otherwise = nullptr;  ///< what the node does with a value outside them
    const char* helpText = nullptr;   ///< one line for people: what the parameter does

    constexpr ParamTableEntry once() const {
        ParamTableEntry e = *this;
        e.oncePerUpdate = true;
        return e;
    }
    /// Meant values from `low` to `high` (NaN: unbounded on that side).
    constexpr ParamTableEntry range(float low, float high, const char* fallback) const {
        ParamTableEntry e = *this;
        e.min = low;
        e.max = high;
        e.otherwise = fallback;
        return e;
    }
    /// Meant values listed as "value name" pairs separated by ", ".
    constexpr ParamTableEntry named(const char* list, const char* fallback) const {
        ParamTableEntry e = *this;
        e.names = list;
        e.otherwise = fallback;
        return e;
    }
    /// What the parameter does, in one line, for editors and the reference.
    constexpr ParamTableEntry help(const char* line) const {
        ParamTableEntry e = *this;
        e.helpText = line;
        return e;
    }
};

constexpr ParamTableEntry boolParam(const char* name, bool value) {
    return {name, kTypeBoolean, value ? 1 : 0, {0, 0, 0, 0}};
}
constexpr ParamTableEntry intParam(const char* name, int32_t value) {
    return {name, kTypeInt, value, {0, 0, 0, 0}};
}
constexpr ParamTableEntry floatParam(const char* name, float value) {
    return {name, kTypeFloat, 0, {value, 0, 0, 0}};
}
constexpr ParamTableEntry rgbParam(const char* name, float r, float g, float b) {
    return {name, kTypeRGB, 0, {r, g, b, 0}};
}
constexpr ParamTableEntry rgbaParam(const char* name, float r, float g, float b, float a) {
    return {name, kTypeRGBA, 0, {r, g, b, a}};
}
constexpr ParamTableEntry vectorParam(const char* name, float x, float y, float z) {
    return {name, kTypeVector, 0, {x, y, z, 0}};
}

/// Declares `entry` under `name` (by default its own) with the call of its type, at position -1,
/// then gives the renderer the row's other columns as the parameter's metadata.
void declareParam(ParamList* params, const ParamTableEntry& entry, const char* name = nullptr);

/// Declares a whole table, in row order, so that row i gets index i.
template <size_t N>
void declareParams(ParamList* params, const ParamTableEntry (&table)[N]) {
    for (const ParamTableEntry& entry : table) declareParam(params, entry);
}

namespace parameter_table_detail {
// Deliberately not constexpr: reaching one of these while paramIndex runs at compile time makes
// the constant that asked ill-formed, so a misspelt name or a wrong type does not build.
int parameterNotInTable();
int parameterDeclaredWithAnotherType();
}  // namespace parameter_table_detail

/// The index of parameter `name`, which must be declared with `type`. Meant for initialising
/// constexpr constants, where a name missing from the table or a type that differs from its
/// row stops the build.
template <size_t N>
constexpr int paramIndex(const ParamTableEntry (&table)[N], std::string_view name, uint8_t type) {
    for (size_t i = 0; i < N; ++i) {
        if (name != table[i].name) continue;
        if (table[i].type != type)
            return parameter_table_detail::parameterDeclaredWithAnotherType();
        return static_cast<int>(i);
    }
    return parameter_table_detail::parameterNotInTable();
}

}  // namespace orv
